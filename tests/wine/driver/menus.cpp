// The tray and the popup menu: tray notices as the shell delivers them, the
// icons the desktop's notification area shows, and reading and choosing the
// items of an open popup menu.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "probe_client.hpp"
#include "protocol.hpp"
#include "window_query.hpp"

namespace driver {
namespace {

constexpr UINT kTrayNotify = 12501;
constexpr UINT kTrayIconId = 1;
constexpr wchar_t kMainWindowTitle[] = L"Korvadine - SysTray Example";

HWND MainWindow() {
    WindowFilter filter;
    filter.anyTitle = false;
    filter.title = kMainWindowTitle;
    return FindTopLevel(filter);
}

// tray <mouse message> [hwnd]: what the notification area sends to the icon's
// owner when the mouse acts on the icon.
Reply Tray(const Args& a) {
    long long mouse = 0;
    if (!ParseInt(a[0], mouse)) return Err("bad-args");
    const HWND owner = a.size() > 1 ? ParseHandle(a[1]) : MainWindow();
    if (!IsWindow(owner)) return Err("no-owner");
    // Like the shell: delivered as a sent message without waiting for the answer.
    if (!SendNotifyMessageW(owner, kTrayNotify, kTrayIconId, static_cast<LPARAM>(mouse))) return Err("send-failed");
    return Ok(FormatHandle(owner));
}

// tray-has <hwnd> [id]: 1 when the notification area holds an icon of that
// owner window and identifier (an empty modification succeeds only then).
Reply TrayHas(const Args& a) {
    const HWND owner = ParseHandle(a[0]);
    long long id = kTrayIconId;
    if (a.size() > 1 && !ParseInt(a[1], id)) return Err("bad-args");
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = owner;
    data.uID = static_cast<UINT>(id);
    data.uFlags = 0;
    return Ok(Shell_NotifyIconW(NIM_MODIFY, &data) ? "1" : "0");
}

// The icon windows of Wine's stand-alone notification area (shown when the
// X desktop offers no tray of its own).
Reply TrayIcons(const Args&) {
    WindowFilter filter;
    filter.className = L"__winex11_standalone_tray";
    const HWND tray = FindTopLevel(filter);
    if (!tray) return Ok("0");
    std::string fields;
    int count = 0;
    for (HWND icon : Descendants(tray)) {
        if (!IsWindowVisible(icon)) continue;
        fields += ' ';
        fields += FormatHandle(icon);
        ++count;
    }
    return Ok(Num(count) + fields);
}

HWND VisibleMenuWindow() {
    for (HWND w : TopLevelWindows())
        if (IsWindowVisible(w) && ClassOf(w) == L"#32768") return w;
    return nullptr;
}

Reply MenuWait(const Args& a) {
    long long ms = 0;
    if (!ParseInt(a[0], ms)) return Err("bad-args");
    HWND menu = nullptr;
    WaitFor(static_cast<int>(ms), [&] { return (menu = VisibleMenuWindow()) != nullptr; });
    return menu ? Ok(FormatHandle(menu)) : Err("timeout");
}

Reply MenuOpen(const Args&) { return Ok(VisibleMenuWindow() ? "1" : "0"); }

bool ReadOpenMenu(probe::Exchange& ex, std::string& reason) {
    const HWND menu = VisibleMenuWindow();
    if (!menu) {
        reason = "no-menu";
        return false;
    }
    ex = probe::Exchange{};
    ex.op = probe::OP_MENU_ITEMS;
    return RunProbe(menu, ex, reason);
}

// Items of the open popup menu: id,type,state,bitmap,text-hex,left,top,right,bottom
// (type and state are MFT_/MFS_ flags in hex; the rectangle in screen pixels).
Reply MenuItems(const Args&) {
    probe::Exchange ex;
    std::string reason;
    if (!ReadOpenMenu(ex, reason)) return Err(reason);
    std::string fields = Num(ex.itemCount);
    for (int i = 0; i < ex.itemCount; ++i) {
        const probe::MenuItem& item = ex.items[i];
        char flags[48];
        std::snprintf(flags, sizeof flags, "0x%x,0x%x,%d", item.type, item.state, item.hasBitmap);
        fields += ' ';
        fields += Join({Num(item.id), flags, HexText(item.text), Num(item.rect.left), Num(item.rect.top),
                        Num(item.rect.right), Num(item.rect.bottom)},
                       ',');
    }
    return Ok(fields);
}

// menu-pick <id>: a left click in the middle of that item of the open menu.
Reply MenuPick(const Args& a) {
    long long id = 0;
    if (!ParseInt(a[0], id)) return Err("bad-args");
    probe::Exchange ex;
    std::string reason;
    if (!ReadOpenMenu(ex, reason)) return Err(reason);
    for (int i = 0; i < ex.itemCount; ++i) {
        const probe::MenuItem& item = ex.items[i];
        if (item.id != static_cast<unsigned>(id) || (item.type & MFT_SEPARATOR)) continue;
        const int x = (item.rect.left + item.rect.right) / 2;
        const int y = (item.rect.top + item.rect.bottom) / 2;
        if (!SetCursorPos(x, y)) return Err("cursor");
        INPUT clicks[2]{};
        clicks[0].type = clicks[1].type = INPUT_MOUSE;
        clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        if (SendInput(2, clicks, sizeof(INPUT)) != 2) return Err("sendinput");
        return WaitFor(3000, [] { return VisibleMenuWindow() == nullptr; }) ? Ok() : Err("menu-still-open");
    }
    return Err("no-such-item");
}

Reply MenuEscape(const Args&) {
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (SendInput(2, keys, sizeof(INPUT)) != 2) return Err("sendinput");
    return WaitFor(3000, [] { return VisibleMenuWindow() == nullptr; }) ? Ok() : Err("menu-still-open");
}

const Command commands[] = {
    {"tray", 1, Tray, "tray <mouse msg> [hwnd]  tray notice to the program's hidden main window"},
    {"tray-has", 1, TrayHas, "tray-has <hwnd> [id]  1 when that tray icon is up"},
    {"tray-icons", 0, TrayIcons, "tray-icons  icon windows of Wine's stand-alone tray"},
    {"main-window", 0, [](const Args&) { const HWND w = MainWindow(); return w ? Ok(FormatHandle(w)) : Err("not-found"); },
     "main-window  the program's hidden main window"},
    {"menu-wait", 1, MenuWait, "menu-wait <ms>  wait for an open popup menu"},
    {"menu-open", 0, MenuOpen, "menu-open  1 while a popup menu is open"},
    {"menu-items", 0, MenuItems, "menu-items  the items of the open popup menu"},
    {"menu-pick", 1, MenuPick, "menu-pick <id>  click that item of the open popup menu"},
    {"menu-escape", 0, MenuEscape, "menu-escape  press Escape and wait for the menu to close"},
};

}  // namespace

std::span<const Command> MenuCommands() { return commands; }

}  // namespace driver
