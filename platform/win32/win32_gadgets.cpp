// Gadgets of the settings window on common and rich-edit controls: track
// bar, spin box (edit field plus up-down arrows), label, editor, button;
// their state and text, and the notifications that become gadget events.
#include "platform/common/spin_field.hpp"
#include "win32_state.hpp"
#include "win32_text.hpp"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <string>

namespace platform {

namespace {

constexpr std::int32_t kInt16Min = -32768;
constexpr std::int32_t kInt16Max = 32767;
constexpr LPARAM kEditorTextLimit = 0x7FFFFFFE;

Gadget* GadgetAt(int number) {
    if (number < 0 || number >= kGadgetCount) return nullptr;
    Gadget& gadget = State().gadgets[number];
    return gadget.kind == GadgetKind::None ? nullptr : &gadget;
}

void ForgetControl(int window, HWND control) {
    if (window < 0 || window >= kWindowCount || !control) return;
    std::vector<HWND>& controls = State().controls[window];
    controls.erase(std::remove(controls.begin(), controls.end(), control), controls.end());
}

void GadgetDestroy(int number) {
    Gadget* gadget = GadgetAt(number);
    if (!gadget) return;
    ProgramChange change;
    ForgetControl(gadget->window, gadget->control);
    ForgetControl(gadget->window, gadget->arrows);
    if (gadget->arrows) DestroyWindow(gadget->arrows);
    if (gadget->control) DestroyWindow(gadget->control);
    *gadget = Gadget{};
}

// A child control of the window opened last, in the default dialog font.
HWND ControlCreate(const wchar_t* className, const std::wstring& text, DWORD style, DWORD exStyle, int id, int x,
                   int y, int width, int height) {
    Win32State& state = State();
    if (state.gadgetWindow < 0) return nullptr;
    const HWND parent = state.windows[state.gadgetWindow];
    if (!parent) return nullptr;
    const HWND control =
        CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!control) return nullptr;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    state.controls[state.gadgetWindow].push_back(control);
    return control;
}

// Creates the gadget's record after the old one under the number is gone.
Gadget* GadgetBegin(int number) {
    if (number < 0 || number >= kGadgetCount) return nullptr;
    GadgetDestroy(number);
    if (State().gadgetWindow < 0) return nullptr;
    return &State().gadgets[number];
}

int GadgetFinish(Gadget& gadget, GadgetKind kind, HWND control) {
    if (!control) return 0;
    gadget.kind = kind;
    gadget.control = control;
    gadget.window = State().gadgetWindow;
    return 1;
}

int GadgetNumberOf(HWND control) {
    if (!control) return -1;
    const Win32State& state = State();
    for (int number = 0; number < kGadgetCount; ++number) {
        const Gadget& gadget = state.gadgets[number];
        if (gadget.kind == GadgetKind::None) continue;
        if (gadget.control == control || gadget.arrows == control) return number;
    }
    return -1;
}

std::int32_t Clamp(std::int32_t value, std::int32_t minimum, std::int32_t maximum) {
    return std::max(minimum, std::min(maximum, value));
}

std::string ControlTextA(HWND control) {
    const int length = GetWindowTextLengthA(control);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

void SpinShowValue(Gadget& gadget) {
    ProgramChange change;
    SendMessageW(gadget.arrows, UDM_SETPOS32, 0, gadget.value);
    SetWindowTextA(gadget.control, std::to_string(gadget.value).c_str());
}

}  // namespace

bool RichEditLoad() {
    Win32State& state = State();
    if (state.richEditClass) return true;
    if (LoadLibraryA("Msftedit.dll")) {
        state.richEditClass = MSFTEDIT_CLASS;
    } else if (LoadLibraryA("Riched20.dll")) {
        state.richEditClass = RICHEDIT_CLASSW;
    }
    return state.richEditClass != nullptr;
}

void GadgetsDestroyOfWindow(int window) {
    for (int number = 0; number < kGadgetCount; ++number) {
        if (State().gadgets[number].kind != GadgetKind::None && State().gadgets[number].window == window) {
            GadgetDestroy(number);
        }
    }
}

void GadgetCommandNotice(HWND control, UINT code) {
    const int number = GadgetNumberOf(control);
    if (number < 0) return;
    const Gadget& gadget = State().gadgets[number];
    switch (gadget.kind) {
    case GadgetKind::Button:
        if (code == BN_CLICKED) RaiseEvent(EVENT_GADGET, number, static_cast<std::int32_t>(code));
        break;
    case GadgetKind::Spin:
        if (control == gadget.control && (code == EN_CHANGE || code == EN_SETFOCUS || code == EN_KILLFOCUS)) {
            RaiseEvent(EVENT_GADGET, number, static_cast<std::int32_t>(code));
        }
        break;
    default:
        break;
    }
}

void GadgetScrollNotice(HWND control, UINT code) {
    const int number = GadgetNumberOf(control);
    if (number < 0) return;
    const Gadget& gadget = State().gadgets[number];
    if (gadget.kind == GadgetKind::TrackBar) {
        RaiseEvent(EVENT_GADGET, number, static_cast<std::int32_t>(code));
    } else if (gadget.kind == GadgetKind::Spin && control == gadget.arrows && code == SB_THUMBPOSITION) {
        // One per step of the arrows; the closing SB_ENDSCROLL is not a step.
        RaiseEvent(EVENT_GADGET, number, static_cast<std::int32_t>(code));
    }
}

bool IsEditableEditor(HWND control) {
    const int number = GadgetNumberOf(control);
    if (number < 0 || State().gadgets[number].kind != GadgetKind::Editor) return false;
    return (GetWindowLongPtrW(control, GWL_STYLE) & ES_READONLY) == 0;
}

int GadgetTrackBar(int number, int x, int y, int width, int height, int minimum, int maximum,
                   std::uint32_t flags) {
    Gadget* gadget = GadgetBegin(number);
    if (!gadget) return 0;
    const DWORD style = WS_TABSTOP | TBS_HORZ | ((flags & TRACKBAR_TICKS) ? TBS_AUTOTICKS : 0);
    const HWND control = ControlCreate(TRACKBAR_CLASSW, L"", style, 0, number, x, y, width, height);
    if (!GadgetFinish(*gadget, GadgetKind::TrackBar, control)) return 0;
    gadget->minimum = minimum;
    gadget->maximum = maximum;
    ProgramChange change;
    SendMessageW(control, TBM_SETRANGEMIN, FALSE, minimum);
    SendMessageW(control, TBM_SETRANGEMAX, FALSE, maximum);
    SendMessageW(control, TBM_SETTICFREQ, 1, 0);
    SendMessageW(control, TBM_SETPOS, TRUE, minimum);
    return 1;
}

int GadgetSpin(int number, int x, int y, int width, int height, int minimum, int maximum, std::uint32_t flags) {
    Gadget* gadget = GadgetBegin(number);
    if (!gadget) return 0;
    const int arrowsWidth = height / 2;
    const HWND field = ControlCreate(L"EDIT", L"", WS_TABSTOP | ES_RIGHT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, number, x,
                                     y, width - arrowsWidth, height);
    if (!field) return 0;
    const DWORD arrowsStyle = UDS_ARROWKEYS | UDS_NOTHOUSANDS | ((flags & SPIN_NUMERIC) ? UDS_SETBUDDYINT : 0);
    const HWND arrows =
        ControlCreate(UPDOWN_CLASSW, L"", arrowsStyle, 0, number, x + width - arrowsWidth, y, arrowsWidth, height);
    if (!arrows) {
        ForgetControl(State().gadgetWindow, field);
        DestroyWindow(field);
        return 0;
    }
    GadgetFinish(*gadget, GadgetKind::Spin, field);
    gadget->arrows = arrows;
    gadget->minimum = Clamp(minimum, kInt16Min, kInt16Max);
    gadget->maximum = Clamp(maximum, gadget->minimum, kInt16Max);
    gadget->value = gadget->minimum;

    ProgramChange change;
    SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(field), 0);
    // Some up-down implementations size themselves when given a buddy.
    SetWindowPos(arrows, nullptr, x + width - arrowsWidth, y, arrowsWidth, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(arrows, UDM_SETRANGE32, static_cast<WPARAM>(gadget->minimum), gadget->maximum);
    SpinShowValue(*gadget);
    return 1;
}

int GadgetLabel(int number, int x, int y, int width, int height, const std::string& text) {
    Gadget* gadget = GadgetBegin(number);
    if (!gadget) return 0;
    const HWND control = ControlCreate(L"STATIC", Cp1251ToWide(text), SS_LEFT, 0, number, x, y, width, height);
    return GadgetFinish(*gadget, GadgetKind::Label, control);
}

int GadgetEditor(int number, int x, int y, int width, int height) {
    Gadget* gadget = GadgetBegin(number);
    if (!gadget || !RichEditLoad()) return 0;
    // No ES_DISABLENOSCROLL: the scroll bars show only when the text needs them.
    const DWORD style = WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
    const HWND control =
        ControlCreate(State().richEditClass, L"", style, WS_EX_CLIENTEDGE, number, x, y, width, height);
    if (!GadgetFinish(*gadget, GadgetKind::Editor, control)) return 0;
    SendMessageW(control, EM_EXLIMITTEXT, 0, kEditorTextLimit);
    return 1;
}

int GadgetButton(int number, int x, int y, int width, int height, const std::string& text) {
    Gadget* gadget = GadgetBegin(number);
    if (!gadget) return 0;
    const HWND control =
        ControlCreate(L"BUTTON", Cp1251ToWide(text), WS_TABSTOP | BS_PUSHBUTTON, 0, number, x, y, width, height);
    return GadgetFinish(*gadget, GadgetKind::Button, control);
}

void GadgetSetState(int number, std::int32_t value) {
    Gadget* gadget = GadgetAt(number);
    if (!gadget) return;
    ProgramChange change;
    if (gadget->kind == GadgetKind::TrackBar) {
        SendMessageW(gadget->control, TBM_SETPOS, TRUE, Clamp(value, gadget->minimum, gadget->maximum));
    } else if (gadget->kind == GadgetKind::Spin) {
        gadget->value = Clamp(value, gadget->minimum, gadget->maximum);
        SpinShowValue(*gadget);
    }
}

std::int32_t GadgetGetState(int number) {
    Gadget* gadget = GadgetAt(number);
    if (!gadget) return 0;
    if (gadget->kind == GadgetKind::TrackBar) {
        return static_cast<std::int32_t>(SendMessageW(gadget->control, TBM_GETPOS, 0, 0));
    }
    if (gadget->kind == GadgetKind::Spin) {
        gadget->value =
            SpinFieldValue(ControlTextA(gadget->control), gadget->value, gadget->minimum, gadget->maximum);
        return gadget->value;
    }
    return 0;
}

void GadgetSetText(int number, const std::string& text) {
    Gadget* gadget = GadgetAt(number);
    if (!gadget) return;
    ProgramChange change;
    switch (gadget->kind) {
    case GadgetKind::Editor:
    case GadgetKind::Spin:
        // Paths and typed values: bytes in the system's ANSI code page.
        SetWindowTextA(gadget->control, text.c_str());
        break;
    case GadgetKind::Label:
    case GadgetKind::Button:
        SetWindowTextW(gadget->control, Cp1251ToWide(text).c_str());
        break;
    default:
        break;
    }
}

}  // namespace platform
