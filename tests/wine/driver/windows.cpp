// Window and control commands: finding windows, their rectangles, texts,
// focus and control states, closing and ending them.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "probe_client.hpp"
#include "protocol.hpp"
#include "window_query.hpp"



namespace driver {
namespace {

// "-" stands for any class or any title.
bool ParseFilter(const Args& a, WindowFilter& filter) {
    filter.className = a[0] == "-" ? L"" : Widen(a[0]);
    filter.anyTitle = a[1] == "-";
    return filter.anyTitle || DecodeText(a[1], filter.title);
}

Reply FindWindowCmd(const Args& a) {
    WindowFilter filter;
    if (!ParseFilter(a, filter)) return Err("bad-title");
    filter.visibleOnly = a.size() > 2 && a[2] == "visible";
    const HWND found = FindTopLevel(filter);
    return found ? Ok(FormatHandle(found)) : Err("not-found");
}

// wait-window <class|-> <title hex|-> <ms> [visible]
Reply WaitWindow(const Args& a) {
    WindowFilter filter;
    long long ms = 0;
    if (!ParseFilter(a, filter) || !ParseInt(a[2], ms)) return Err("bad-args");
    filter.visibleOnly = a.size() > 3 && a[3] == "visible";
    HWND found = nullptr;
    WaitFor(static_cast<int>(ms), [&] { return (found = FindTopLevel(filter)) != nullptr; });
    return found ? Ok(FormatHandle(found)) : Err("timeout");
}

Reply WaitGone(const Args& a) {
    const HWND window = ParseHandle(a[0]);
    long long ms = 0;
    if (!ParseInt(a[1], ms)) return Err("bad-args");
    return WaitFor(static_cast<int>(ms), [&] { return !IsWindow(window); }) ? Ok() : Err("timeout");
}

// All top-level windows: hwnd,class,title-hex,pid,visible for each.
Reply Windows(const Args&) {
    std::string fields;
    int count = 0;
    for (HWND w : TopLevelWindows()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        fields += ' ';
        fields += Join({FormatHandle(w), Utf8(ClassOf(w)), HexText(TextOf(w)), Num(pid), Num(IsWindowVisible(w) ? 1 : 0)},
                       ',');
        ++count;
    }
    return Ok(Num(count) + fields);
}

// pid visible enabled  window x y w h  client x y w h (screen)  style exstyle
// minimized maximized  class title-hex owner parent id
Reply Info(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    if (!IsWindow(w)) return Err("no-window");
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    RECT outer{}, client{};
    GetWindowRect(w, &outer);
    GetClientRect(w, &client);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    char styles[64];
    std::snprintf(styles, sizeof styles, "0x%08lx 0x%08lx", static_cast<unsigned long>(style),
                  static_cast<unsigned long>(GetWindowLongW(w, GWL_EXSTYLE)));
    return Ok({Num(pid), Num(IsWindowVisible(w) ? 1 : 0), Num(IsWindowEnabled(w) ? 1 : 0), Num(outer.left),
               Num(outer.top), Num(outer.right - outer.left), Num(outer.bottom - outer.top), Num(origin.x),
               Num(origin.y), Num(client.right), Num(client.bottom), styles, Num(IsIconic(w) ? 1 : 0),
               Num(IsZoomed(w) ? 1 : 0), Utf8(ClassOf(w)), HexText(TextOf(w)), FormatHandle(GetWindow(w, GW_OWNER)),
               FormatHandle(GetAncestor(w, GA_PARENT)), Num(GetDlgCtrlID(w))});
}

// Every descendant as hwnd,parent,id,class,x,y,w,h,style,visible,enabled,text-hex
// with x, y relative to the given window's client area.
Reply Children(const Args& a) {
    const HWND top = ParseHandle(a[0]);
    if (!IsWindow(top)) return Err("no-window");
    std::string fields;
    const std::vector<HWND> children = Descendants(top);
    for (HWND c : children) {
        RECT r{};
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
        char style[16];
        std::snprintf(style, sizeof style, "0x%08lx", static_cast<unsigned long>(GetWindowLongW(c, GWL_STYLE)));
        fields += ' ';
        fields += Join({FormatHandle(c), FormatHandle(GetParent(c)), Num(GetDlgCtrlID(c)), Utf8(ClassOf(c)),
                        Num(r.left), Num(r.top), Num(r.right - r.left), Num(r.bottom - r.top), style,
                        Num(IsWindowVisible(c) ? 1 : 0), Num(IsWindowEnabled(c) ? 1 : 0), HexText(TextOf(c))},
                       ',');
    }
    return Ok(Num(static_cast<long long>(children.size())) + fields);
}

Reply Text(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    if (!IsWindow(w)) return Err("no-window");
    return Ok(HexText(TextOf(w)));
}

// focus <hwnd>: focus, active and capture windows of the window's thread,
// the foreground window, and 1 when that thread is in a menu loop.
Reply Focus(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    if (!IsWindow(w)) return Err("no-window");
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info)) return Err("no-info");
    const bool inMenu = (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0;
    return Ok({FormatHandle(info.hwndFocus), FormatHandle(info.hwndActive), FormatHandle(info.hwndCapture),
               FormatHandle(GetForegroundWindow()), inMenu ? "1" : "0"});
}

Reply Activate(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    if (!IsWindow(w)) return Err("no-window");
    SetForegroundWindow(w);
    return WaitFor(2000, [&] { return GetForegroundWindow() == w; }) ? Ok() : Err("not-foreground");
}

LRESULT SendBounded(HWND w, UINT message, WPARAM wParam, LPARAM lParam, bool& delivered) {
    DWORD_PTR result = 0;
    delivered = SendMessageTimeoutW(w, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    return static_cast<LRESULT>(result);
}

// Position, range and number of ticks (the two ends included).
Reply Trackbar(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    if (!IsWindow(w)) return Err("no-window");
    bool d1 = false, d2 = false, d3 = false, d4 = false;
    const LRESULT pos = SendBounded(w, TBM_GETPOS, 0, 0, d1);
    const LRESULT low = SendBounded(w, TBM_GETRANGEMIN, 0, 0, d2);
    const LRESULT high = SendBounded(w, TBM_GETRANGEMAX, 0, 0, d3);
    const LRESULT ticks = SendBounded(w, TBM_GETNUMTICS, 0, 0, d4);
    if (!(d1 && d2 && d3 && d4)) return Err("timeout");
    return Ok({Num(pos), Num(low), Num(high), Num(ticks)});
}

// Range (16-bit, as UDM_GETRANGE gives it) and buddy of an up-down control.
Reply Updown(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    if (!IsWindow(w)) return Err("no-window");
    bool d1 = false, d2 = false;
    const LRESULT range = SendBounded(w, UDM_GETRANGE, 0, 0, d1);
    const LRESULT buddy = SendBounded(w, UDM_GETBUDDY, 0, 0, d2);
    if (!(d1 && d2)) return Err("timeout");
    const short high = static_cast<short>(LOWORD(range));
    const short low = static_cast<short>(HIWORD(range));
    return Ok({Num(low), Num(high), FormatHandle(reinterpret_cast<HWND>(buddy))});
}

// The close box and the system menu's Close both arrive as SC_CLOSE.
Reply Close(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    return PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0) ? Ok() : Err("post-failed");
}

Reply WmClose(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    return PostMessageW(w, WM_CLOSE, 0, 0) ? Ok() : Err("post-failed");
}

bool ParseMessage(const Args& a, HWND& w, UINT& message, WPARAM& wParam, LPARAM& lParam) {
    long long m = 0, wp = 0, lp = 0;
    w = ParseHandle(a[0]);
    if (!ParseInt(a[1], m) || !ParseInt(a[2], wp) || !ParseInt(a[3], lp)) return false;
    message = static_cast<UINT>(m);
    wParam = static_cast<WPARAM>(wp);
    lParam = static_cast<LPARAM>(lp);
    return true;
}

Reply Post(const Args& a) {
    HWND w; UINT m; WPARAM wp; LPARAM lp;
    if (!ParseMessage(a, w, m, wp, lp)) return Err("bad-args");
    return PostMessageW(w, m, wp, lp) ? Ok() : Err("post-failed");
}

Reply SendCmd(const Args& a) {
    HWND w; UINT m; WPARAM wp; LPARAM lp;
    if (!ParseMessage(a, w, m, wp, lp)) return Err("bad-args");
    bool delivered = false;
    const LRESULT result = SendBounded(w, m, wp, lp, delivered);
    return delivered ? Ok(Num(result)) : Err("timeout");
}

HANDLE OpenOwner(HWND w, DWORD access) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid ? OpenProcess(access, FALSE, pid) : nullptr;
}

// Ends the process that owns the window, with exit code 99.
Reply Terminate(const Args& a) {
    HANDLE process = OpenOwner(ParseHandle(a[0]), PROCESS_TERMINATE | SYNCHRONIZE);
    if (!process) return Err("no-process");
    const bool done = TerminateProcess(process, 99) && WaitForSingleObject(process, 5000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return done ? Ok() : Err("terminate-failed");
}

// GDI and USER object counts of the process that owns the window.
Reply GuiResources(const Args& a) {
    HANDLE process = OpenOwner(ParseHandle(a[0]), PROCESS_QUERY_INFORMATION);
    if (!process) return Err("no-process");
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    CloseHandle(process);
    return Ok({Num(gdi), Num(user)});
}

// gui-objects <hwnd>: counted inside the window's process by the probe:
// gdi user windows menus icons working-set-kB, then what GetGuiResources
// reports for GDI and USER, then the GDI objects by type (hex text
// "pen 2 brush 9 ...").
Reply GuiObjects(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    if (!IsWindow(w)) return Err("no-window");
    probe::Exchange ex{};
    ex.op = probe::OP_GUI_OBJECTS;
    std::string reason;
    if (!RunProbe(w, ex, reason)) return Err(reason);
    const auto value = [&](probe::GuiObjectValue v) { return static_cast<long long>(ex.values[v]); };
    const long long user = value(probe::GUI_WINDOWS) + value(probe::GUI_MENUS) + value(probe::GUI_ICONS);
    return Ok({Num(value(probe::GUI_GDI)), Num(user), Num(value(probe::GUI_WINDOWS)), Num(value(probe::GUI_MENUS)),
               Num(value(probe::GUI_ICONS)), Num(value(probe::GUI_WORKING_SET) / 1024), Num(value(probe::GUI_REPORTED_GDI)),
               Num(value(probe::GUI_REPORTED_USER)), HexText(ex.text)});
}

// The icons a window shows: WM_GETICON big and small, then those of its class.
Reply WindowIcons(const Args& a) {
    const HWND w = ParseHandle(a[0]);
    if (!IsWindow(w)) return Err("no-window");
    probe::Exchange ex{};
    ex.op = probe::OP_WINDOW_ICONS;
    std::string reason;
    if (!RunProbe(w, ex, reason)) return Err(reason);
    return Ok({Num(ex.values[0] != 0), Num(ex.values[1] != 0), Num(ex.values[2] != 0), Num(ex.values[3] != 0)});
}

Reply WindowAt(const Args& a) {
    long long x = 0, y = 0;
    if (!ParseInt(a[0], x) || !ParseInt(a[1], y)) return Err("bad-args");
    return Ok(FormatHandle(WindowFromPoint(POINT{static_cast<LONG>(x), static_cast<LONG>(y)})));
}

const Command commands[] = {
    {"find-window", 2, FindWindowCmd, "find-window <class|-> <title hex|-> [visible]  a top-level window"},
    {"wait-window", 3, WaitWindow, "wait-window <class|-> <title hex|-> <ms> [visible]  wait for a window"},
    {"wait-gone", 2, WaitGone, "wait-gone <hwnd> <ms>  wait until the window no longer exists"},
    {"windows", 0, Windows, "windows  all top-level windows"},
    {"info", 1, Info, "info <hwnd>  state, rectangles, styles, class and title of a window"},
    {"children", 1, Children, "children <hwnd>  every descendant with its rectangle in the client area"},
    {"text", 1, Text, "text <hwnd>  a window's text (WM_GETTEXT)"},
    {"focus", 1, Focus, "focus <hwnd>  focus, active, capture, foreground, in-menu of its thread"},
    {"activate", 1, Activate, "activate <hwnd>  make a window the foreground window"},
    {"trackbar", 1, Trackbar, "trackbar <hwnd>  position, minimum, maximum, ticks"},
    {"updown", 1, Updown, "updown <hwnd>  minimum, maximum, buddy"},
    {"close", 1, Close, "close <hwnd>  the close box (WM_SYSCOMMAND SC_CLOSE)"},
    {"wm-close", 1, WmClose, "wm-close <hwnd>  post WM_CLOSE"},
    {"post", 4, Post, "post <hwnd> <msg> <wparam> <lparam>  post a message"},
    {"send", 4, SendCmd, "send <hwnd> <msg> <wparam> <lparam>  send a message, reply its result"},
    {"terminate", 1, Terminate, "terminate <hwnd>  end the window's process"},
    {"gui-resources", 1, GuiResources, "gui-resources <hwnd>  GDI and USER objects of the window's process"},
    {"gui-objects", 1, GuiObjects, "gui-objects <hwnd>  GDI and USER objects and memory of the window's process, counted inside it"},
    {"window-icons", 1, WindowIcons, "window-icons <hwnd>  1/0 for WM_GETICON big, small, class icon, small class icon"},
    {"window-at", 2, WindowAt, "window-at <x> <y>  the window at a screen point"},
};

}  // namespace

std::span<const Command> WindowCommands() { return commands; }

}  // namespace driver
