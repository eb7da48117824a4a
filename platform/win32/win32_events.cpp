// The event wait PollUiEvent (notice queue first, then one native message,
// Tab navigation of our own), the notice queue, and GetAsyncKeyState.
#include "win32_state.hpp"

#include <algorithm>

namespace platform {

namespace {

UiEvent MakeEvent(std::int32_t kind, std::int32_t number = 0, std::int32_t type = CLICK_NONE) {
    UiEvent event;
    event.kind = kind;
    event.number = number;
    event.type = type;
    return event;
}

bool KeyHeld(int virtualKey) { return (::GetKeyState(virtualKey) & 0x8000) != 0; }

bool IsTabStop(HWND control) {
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    return (style & WS_TABSTOP) && IsWindowVisible(control) && IsWindowEnabled(control);
}

// Moves the focus to the next (or previous) tab stop of the window, in the
// order the controls were created, wrapping around at either end.
void NavigateTab(int window, bool backwards) {
    const std::vector<HWND>& controls = State().controls[window];
    const int count = static_cast<int>(controls.size());
    if (count == 0) return;

    const HWND focus = GetFocus();
    int current = -1;
    for (int i = 0; i < count; ++i) {
        if (controls[i] == focus || (focus && IsChild(controls[i], focus))) current = i;
    }
    const int step = backwards ? count - 1 : 1;
    int start = current;
    if (current < 0) start = backwards ? 0 : count - 1;  // first step lands on the first or last
    for (int n = 1; n <= count; ++n) {
        const int candidate = (start + n * step) % count;
        if (IsTabStop(controls[candidate])) {
            if (controls[candidate] != focus) SetFocus(controls[candidate]);
            return;
        }
    }
}

// Tab and Shift+Tab in an active window of the program move the focus
// between its controls; plain Tab in a rich-text field is left to the field.
bool IsTabNavigation(const MSG& message, int& window, bool& backwards) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
    if (KeyHeld(VK_CONTROL) || KeyHeld(VK_MENU)) return false;
    window = WindowNumberOf(GetActiveWindow());
    if (window < 0) return false;
    backwards = KeyHeld(VK_SHIFT);
    return backwards || !IsEditableEditor(GetFocus());
}

UiEvent TakePendingEvent() {
    Win32State& state = State();
    if (!state.eventPending) return MakeEvent(EVENT_OTHER);
    state.eventPending = false;
    return state.pendingEvent;
}

}  // namespace

void QueueWindowNotice(std::int32_t kind, int window) {
    std::deque<WindowNotice>& notices = State().notices;
    if (!notices.empty() && notices.back().kind == kind && notices.back().window == window) return;
    if (notices.size() >= kNoticeQueueLimit) return;
    notices.push_back(WindowNotice{kind, window});
}

void RaiseEvent(std::int32_t kind, std::int32_t number, std::int32_t type) {
    Win32State& state = State();
    if (state.programChange > 0 || state.eventPending) return;
    state.eventPending = true;
    state.pendingEvent = MakeEvent(kind, number, type);
}

UiEvent PollUiEvent(int timeoutMs) {
    Win32State& state = State();
    if (!state.notices.empty()) {
        const WindowNotice notice = state.notices.front();
        state.notices.pop_front();
        return MakeEvent(notice.kind, notice.window);
    }

    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout, QS_ALLINPUT) != WAIT_OBJECT_0) {
            return MakeEvent(EVENT_NONE);
        }
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return MakeEvent(EVENT_NONE);
    }

    // Only what this one message causes counts; anything recorded while a
    // modal dialog delivered messages is stale.
    state.eventPending = false;

    int window = -1;
    bool backwards = false;
    if (IsTabNavigation(message, window, backwards)) {
        // The key itself gives no event; a spin field taking the focus does.
        NavigateTab(window, backwards);
        return TakePendingEvent();
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return TakePendingEvent();
}

std::int16_t GetAsyncKeyState(int virtualKey) { return static_cast<std::int16_t>(::GetAsyncKeyState(virtualKey)); }

}  // namespace platform
