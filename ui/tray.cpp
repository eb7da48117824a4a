#include "ui/tray.hpp"

#include "platform/common/cp1251.hpp"
#include "platform/platform.hpp"

using namespace platform;

namespace {

constexpr auto kMenuSettings = Cp1251(u8"Настройки");
constexpr auto kMenuAbout = Cp1251(u8"О программе");
constexpr auto kMenuExit = Cp1251(u8"Выход");

}  // namespace

void TraySetup() {
    // A missing icon file gives handle 0, and TrayIconAdd then puts nothing up.
    const NativeHandle icon = ImageLoadFile(IMAGE_TRAY_ICON, TRAY_ICON_FILE_NAME);
    TrayIconAdd(TRAY_ICON, WindowHandle(WINDOW_MAIN), icon);
    TrayIconSetTip(TRAY_ICON, "Pictarn");

    MenuCreatePopup(MENU_TRAY);
    MenuAddItem(MENU_SETTINGS, kMenuSettings);
    MenuAddItem(MENU_ABOUT, kMenuAbout);
    MenuAddSeparator();
    MenuAddItem(MENU_EXIT, kMenuExit);
}

void OnTrayRightButton() {
    MenuShowAtCursor(MENU_TRAY, WindowHandle(WINDOW_MAIN));
}

void ShowAboutBox() {
    ShowMessage(kMenuAbout, ABOUT_TEXT);
}
