// Simulated desktop: the notification area and popup menus.
#include "platform/sim/sim_state.hpp"

#include <algorithm>

using platform::NativeHandle;

namespace sim {

const std::map<int, TrayIcon>& TrayIcons() { return D().trayIcons; }

const std::vector<MenuItem>* FindMenu(int number) {
    auto found = D().menus.find(number);
    return found == D().menus.end() ? nullptr : &found->second;
}

void RefuseTray(bool refuse) { D().refuseTray = refuse; }

// The shell's notice to the owner window, which re-posts it to itself.
bool TrayMouse(std::uint32_t mouseMessage, int number) {
    if (!D().trayIcons.count(number)) return false;
    Post({NativeMessage::Kind::TrayEvent, number, mouseMessage});
    return true;
}

void SetCursorPos(int x, int y) {
    D().cursorX = x;
    D().cursorY = y;
}

}  // namespace sim

namespace platform {

using sim::D;

void TrayIconAdd(int number, NativeHandle owner, NativeHandle icon) {
    if (owner == 0 || icon == 0) return;
    if (D().refuseTray) return;
    D().trayIcons[number] = sim::TrayIcon{owner, icon, ""};
}

int TrayIconSetTip(int number, const std::string& text) {
    auto found = D().trayIcons.find(number);
    if (found == D().trayIcons.end()) return 0;
    found->second.tip = text.substr(0, 63);
    return 1;
}

void TrayIconRemove(int number) { D().trayIcons.erase(number); }

NativeHandle MenuCreatePopup(int number) {
    D().menus[number].clear();
    D().currentMenu = number;
    return sim::NewHandle();
}

void MenuAddItem(int item, const std::string& text) {
    auto found = D().menus.find(D().currentMenu);
    if (found != D().menus.end()) found->second.push_back({item, text, false});
}

void MenuAddSeparator() {
    auto found = D().menus.find(D().currentMenu);
    if (found != D().menus.end()) found->second.push_back({0, "", true});
}

void MenuShowAtCursor(int menuNumber, NativeHandle owner) {
    const auto* items = sim::FindMenu(menuNumber);
    if (!items) return;
    // The owner becomes the foreground window while the menu is up.
    for (const auto& [number, window] : D().windows) {
        if (window.handle == owner && owner != 0) D().activeWindow = number;
    }
    sim::Modal modal;
    modal.kind = sim::ModalKind::Menu;
    modal.x = D().cursorX - 1;
    modal.y = D().cursorY - 1;
    modal.owner = owner;
    const sim::ModalAnswer answer = sim::RunModal(modal);
    const bool known = std::any_of(items->begin(), items->end(), [&](const sim::MenuItem& i) {
        return !i.separator && i.id == answer.menuItem;
    });
    // The choice reaches the owner as a command after the menu has closed.
    if (answer.menuItem != 0 && known) sim::Post({sim::NativeMessage::Kind::MenuCommand, answer.menuItem, 0});
}

}  // namespace platform
