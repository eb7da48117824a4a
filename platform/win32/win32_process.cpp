// Process start and end on the Windows desktop: PlatformStartup,
// PlatformShutdown, Sleep and ExitProcess.
#include "platform/common/file_table.hpp"
#include "platform/common/image_slots.hpp"
#include "win32_state.hpp"

#include <commctrl.h>
#include <objbase.h>

namespace platform {

void PlatformStartup() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    // The folder browser needs a single-threaded apartment on this thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    RichEditLoad();
    WindowClassRegister();
    JpegEncoderRegister();
}

void PlatformShutdown() {
    Win32State& state = State();
    for (int icon = 0; icon < kTrayIconCount; ++icon) {
        if (state.trayOwners[icon]) TrayIconRemove(icon);
    }
    for (int window = 0; window < kWindowCount; ++window) WindowClose(window);
    FilesCloseAll();
    ImageSlotsReleaseAll();
}

void Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

void ExitProcess(std::uint32_t exitCode) { ::ExitProcess(exitCode); }

}  // namespace platform
