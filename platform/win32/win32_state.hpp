// The Windows backend's state in one place: the numbered windows, gadgets,
// tray icons and menus, the queue of window notices and the events that the
// message being delivered caused; plus the helpers the backend files share.
#pragma once

#include "platform/platform.hpp"

#include <windows.h>

#include <cstdint>
#include <deque>
#include <vector>

namespace platform {

constexpr int kWindowCount = 16;
constexpr int kGadgetCount = 64;
constexpr int kTrayIconCount = 8;
constexpr int kMenuCount = 8;
// Bounds the event queue while nobody polls (inside a modal dialog).
constexpr std::size_t kEventQueueLimit = 256;

enum class GadgetKind { None, TrackBar, Spin, Label, Editor, Button };

struct Gadget {
    GadgetKind kind = GadgetKind::None;
    HWND control = nullptr;  // the spin box's edit field
    HWND arrows = nullptr;   // the spin box's up-down control
    int window = -1;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t value = 0;  // spin box: its last accepted value
};


struct Win32State {
    HWND windows[kWindowCount] = {};
    // Controls of each window in creation order: the Tab order.
    std::vector<HWND> controls[kWindowCount];
    int gadgetWindow = -1;  // the window opened last; gadgets go there

    Gadget gadgets[kGadgetCount];

    HWND trayOwners[kTrayIconCount] = {};

    HMENU menus[kMenuCount] = {};
    HMENU currentMenu = nullptr;

    // Window notices and close requests, and the further events of a message
    // that caused more than one; PollUiEvent hands them out first.
    std::deque<UiEvent> queued;
    // Events caused by what the current PollUiEvent call takes in.
    std::vector<UiEvent> raised;
    // Non-zero while the program itself changes a control.
    int programChange = 0;

    ATOM windowClass = 0;
    const wchar_t* richEditClass = nullptr;
};

Win32State& State();

// Marks a change the program makes to its controls, so that the control
// notifications it causes are not taken for the user's.
class ProgramChange {
public:
    ProgramChange() { ++State().programChange; }
    ~ProgramChange() { --State().programChange; }
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;
};

// win32_events.cpp
void QueueWindowNotice(std::int32_t kind, int window);
// Records an event caused by the message being delivered.
void RaiseEvent(std::int32_t kind, std::int32_t number, std::int32_t type);

// win32_window.cpp
bool WindowClassRegister();
// The number of one of the program's windows, -1 for any other.
int WindowNumberOf(HWND window);

// win32_gadgets.cpp
bool RichEditLoad();
void GadgetsDestroyOfWindow(int window);
// Control notifications reaching a window (WM_COMMAND, WM_HSCROLL, WM_VSCROLL).
void GadgetCommandNotice(HWND control, UINT code);
void GadgetScrollNotice(HWND control, UINT code);
// True for a rich-text field of the program that takes typed text.
bool IsEditableEditor(HWND control);

}  // namespace platform
