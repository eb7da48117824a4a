// Numbered popup menus: MenuCreatePopup, MenuAddItem, MenuAddSeparator and
// MenuShowAtCursor (the choice reaches the owner later as WM_COMMAND).
#include "win32_state.hpp"
#include "win32_text.hpp"

namespace platform {

NativeHandle MenuCreatePopup(int number) {
    if (number < 0 || number >= kMenuCount) return 0;
    Win32State& state = State();
    if (state.menus[number]) {
        if (state.currentMenu == state.menus[number]) state.currentMenu = nullptr;
        DestroyMenu(state.menus[number]);
        state.menus[number] = nullptr;
    }
    const HMENU menu = CreatePopupMenu();
    state.menus[number] = menu;
    state.currentMenu = menu;
    return reinterpret_cast<NativeHandle>(menu);
}

void MenuAddItem(int item, const std::string& text) {
    const HMENU menu = State().currentMenu;
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item), Cp1251ToWide(text).c_str());
}

void MenuAddSeparator() {
    const HMENU menu = State().currentMenu;
    if (!menu) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
}

void MenuShowAtCursor(int menuNumber, NativeHandle owner) {
    if (menuNumber < 0 || menuNumber >= kMenuCount) return;
    const HMENU menu = State().menus[menuNumber];
    if (!menu) return;
    POINT pointer{};
    GetCursorPos(&pointer);
    const HWND ownerWindow = reinterpret_cast<HWND>(owner);
    // Without this the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(ownerWindow);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, pointer.x - 1, pointer.y - 1, 0, ownerWindow, nullptr);
}

}  // namespace platform
