// Keyboard and mouse input through SendInput, as a user at the desktop gives it.
#include <vector>

#include "protocol.hpp"

namespace driver {
namespace {

INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

Reply Send(std::vector<INPUT>& inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size() ? Ok() : Err("sendinput");
}

bool ParseKey(const std::string& text, WORD& vk) {
    long long value = 0;
    if (!ParseInt(text, value) || value <= 0 || value > 254) return false;
    vk = static_cast<WORD>(value);
    return true;
}

// Presses the keys in order and releases them in reverse order.
Reply Chord(const Args& a) {
    std::vector<WORD> keys;
    for (const std::string& word : a) {
        WORD vk = 0;
        if (!ParseKey(word, vk)) return Err("bad-key");
        keys.push_back(vk);
    }
    std::vector<INPUT> inputs;
    for (WORD vk : keys) inputs.push_back(KeyInput(vk, false));
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) inputs.push_back(KeyInput(*it, true));
    return Send(inputs);
}

Reply KeyOneWay(const Args& a, bool up) {
    WORD vk = 0;
    if (!ParseKey(a[0], vk)) return Err("bad-key");
    std::vector<INPUT> inputs{KeyInput(vk, up)};
    return Send(inputs);
}

Reply KeyDown(const Args& a) { return KeyOneWay(a, false); }
Reply KeyUp(const Args& a) { return KeyOneWay(a, true); }
Reply Tab(const Args&) { return Chord({"9"}); }
Reply ShiftTab(const Args&) { return Chord({"16", "9"}); }

// Characters with a key on the US layout go as that key (with Shift where
// needed); any other character goes as a Unicode packet.
Reply Type(const Args& a) {
    std::wstring text;
    if (!DecodeText(a[0], text)) return Err("bad-text");
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        const SHORT scan = c < 128 ? VkKeyScanW(c) : -1;
        if (scan != -1 && (scan & 0x0600) == 0) {
            const WORD vk = static_cast<WORD>(scan & 0xff);
            const bool shift = (scan & 0x0100) != 0;
            if (shift) inputs.push_back(KeyInput(VK_SHIFT, false));
            inputs.push_back(KeyInput(vk, false));
            inputs.push_back(KeyInput(vk, true));
            if (shift) inputs.push_back(KeyInput(VK_SHIFT, true));
        } else {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = c;
            in.ki.dwFlags = KEYEVENTF_UNICODE;
            inputs.push_back(in);
            in.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
            inputs.push_back(in);
        }
    }
    if (inputs.empty()) return Ok();
    return Send(inputs);
}

Reply MouseButtons(const std::string& button, bool down, bool up) {
    const bool right = button == "right";
    std::vector<INPUT> inputs;
    INPUT in{};
    in.type = INPUT_MOUSE;
    if (down) {
        in.mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
        inputs.push_back(in);
    }
    if (up) {
        in.mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
        inputs.push_back(in);
    }
    return Send(inputs);
}

bool MoveTo(int x, int y) {
    if (!SetCursorPos(x, y)) return false;
    return WaitFor(1000, [&] {
        POINT p{};
        return GetCursorPos(&p) && p.x == x && p.y == y;
    });
}

// click <hwnd> <x> <y> [left|right]: a click at a point of the window's client area.
Reply Click(const Args& a) {
    const HWND window = ParseHandle(a[0]);
    long long x = 0, y = 0;
    if (!IsWindow(window) || !ParseInt(a[1], x) || !ParseInt(a[2], y)) return Err("bad-args");
    POINT p{static_cast<LONG>(x), static_cast<LONG>(y)};
    ClientToScreen(window, &p);
    if (!MoveTo(p.x, p.y)) return Err("cursor");
    return MouseButtons(a.size() > 3 ? a[3] : "left", true, true);
}

Reply ButtonOneWay(const Args& a, bool down) {
    return MouseButtons(a.empty() ? "left" : a[0], down, !down);
}
Reply MouseDown(const Args& a) { return ButtonOneWay(a, true); }
Reply MouseUp(const Args& a) { return ButtonOneWay(a, false); }

Reply MouseMove(const Args& a) {
    long long x = 0, y = 0;
    if (!ParseInt(a[0], x) || !ParseInt(a[1], y)) return Err("bad-args");
    return MoveTo(static_cast<int>(x), static_cast<int>(y)) ? Ok() : Err("cursor");
}

Reply Cursor(const Args&) {
    POINT p{};
    GetCursorPos(&p);
    return Ok({Num(p.x), Num(p.y)});
}

const Command commands[] = {
    {"key", 1, Chord, "key <vk>...  press the keys in order, release them in reverse"},
    {"key-down", 1, KeyDown, "key-down <vk>  press a key and keep it down"},
    {"key-up", 1, KeyUp, "key-up <vk>  release a key"},
    {"tab", 0, Tab, "tab  press Tab"},
    {"shift-tab", 0, ShiftTab, "shift-tab  press Shift+Tab"},
    {"type", 1, Type, "type <hex text>  type the text"},
    {"click", 3, Click, "click <hwnd> <x> <y> [left|right]  click at a client point"},
    {"mouse-down", 0, MouseDown, "mouse-down [left|right]  press a button where the pointer is"},
    {"mouse-up", 0, MouseUp, "mouse-up [left|right]  release a button where the pointer is"},
    {"mouse-move", 2, MouseMove, "mouse-move <x> <y>  move the pointer to a screen point"},
    {"cursor", 0, Cursor, "cursor  the pointer's screen position"},
};

}  // namespace

std::span<const Command> InputCommands() { return commands; }

}  // namespace driver
