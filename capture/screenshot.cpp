#include "capture/screenshot.hpp"

#include "platform/platform.hpp"
#include "settings/settings.hpp"

using namespace platform;

void TakeScreenshot() {
    // The results of the first two steps are not looked at: a failed capture
    // leaves the previous picture in the slot, and it is saved again.
    ClipboardGetImage(IMAGE_SCREENSHOT);
    ImageResize(IMAGE_SCREENSHOT, settings.width, settings.height);
    if (ImageSaveJpeg(IMAGE_SCREENSHOT, settings.folder + SCREENSHOT_FILE_NAME, settings.quality)) {
        ClipboardClear();
    }
}
