// The event wait PollUiEvent (queued notices and events first, then one
// native message, with Tab navigation of our own), and GetAsyncKeyState.
#include "win32_state.hpp"

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
            if (controls[candidate] == focus) return;
            SetFocus(controls[candidate]);
            // As in dialogs: a text field reached with Tab has its text selected.
            if (SendMessageW(controls[candidate], WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
                SendMessageW(controls[candidate], EM_SETSEL, 0, -1);
            }
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

// The first event the call caused; any further ones wait in the queue
// for the next calls, so that no user action goes unreported.
UiEvent TakeRaisedEvent() {
    Win32State& state = State();
    if (state.raised.empty()) return MakeEvent(EVENT_OTHER);
    for (std::size_t i = 1; i < state.raised.size() && state.queued.size() < kEventQueueLimit; ++i) {
        state.queued.push_back(state.raised[i]);
    }
    const UiEvent first = state.raised.front();
    state.raised.clear();
    return first;
}

}  // namespace

void QueueWindowNotice(std::int32_t kind, int window) {
    std::deque<UiEvent>& queued = State().queued;
    if (!queued.empty() && queued.back().kind == kind && queued.back().number == window) return;
    if (queued.size() >= kEventQueueLimit) return;
    queued.push_back(MakeEvent(kind, window));
}

void RaiseEvent(std::int32_t kind, std::int32_t number, std::int32_t type) {
    Win32State& state = State();
    if (state.programChange > 0 || state.raised.size() >= kEventQueueLimit) return;
    state.raised.push_back(MakeEvent(kind, number, type));
}

UiEvent PollUiEvent(int timeoutMs) {
    Win32State& state = State();
    if (!state.queued.empty()) {
        const UiEvent event = state.queued.front();
        state.queued.pop_front();
        return event;
    }

    // Only what this call takes in counts: anything recorded while a modal
    // dialog delivered messages is stale. Messages sent from other threads
    // or processes (a click sent to a button, the shell's tray notices) are
    // handled inside PeekMessage, so their events count too.
    state.raised.clear();

    MSG message;
    bool taken = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
    if (!taken && state.raised.empty()) {
        const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
        // The wait may itself handle sent messages; their events count.
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout, QS_ALLINPUT) == WAIT_OBJECT_0) {
            taken = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
        }
    }
    if (!taken) return state.raised.empty() ? MakeEvent(EVENT_NONE) : TakeRaisedEvent();

    int window = -1;
    bool backwards = false;
    if (IsTabNavigation(message, window, backwards)) {
        // The key itself gives no event; a spin field taking the focus does.
        NavigateTab(window, backwards);
        return TakeRaisedEvent();
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return TakeRaisedEvent();
}

std::int16_t GetAsyncKeyState(int virtualKey) { return static_cast<std::int16_t>(::GetAsyncKeyState(virtualKey)); }

}  // namespace platform
