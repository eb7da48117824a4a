// Simulated desktop: windows, gadgets, the event wait and Tab navigation,
// and the user's actions on gadgets.
#include "platform/common/spin_field.hpp"
#include "platform/sim/sim_state.hpp"

#include <algorithm>
#include <string>

using platform::NativeHandle;
using platform::UiEvent;

namespace sim {

namespace {

Gadget* LookupGadget(int number) {
    auto found = D().gadgets.find(number);
    return found == D().gadgets.end() ? nullptr : &found->second;
}

bool IsTabStop(const Gadget& g) { return g.kind != GadgetKind::Label; }

// A gadget the user can reach: its window exists, is visible and enabled.
Gadget* UsableGadget(int number) {
    Gadget* g = LookupGadget(number);
    if (!g) return nullptr;
    auto window = D().windows.find(g->window);
    if (window == D().windows.end() || !window->second.visible || !window->second.enabled) return nullptr;
    return g;
}

void QueueNotice(std::int32_t kind, int window) {
    // A notice equal to the last one queued is not queued again.
    if (!D().notices.empty() && D().notices.back().kind == kind && D().notices.back().number == window) return;
    UiEvent notice;
    notice.kind = kind;
    notice.number = window;
    D().notices.push_back(notice);
}

void RewriteSpinField(Gadget& g) {
    g.text = std::to_string(g.value);
}

void SetSpinValue(Gadget& g, int value) {
    g.value = std::clamp(value, g.minimum, g.maximum);
    RewriteSpinField(g);
}

Gadget* NewGadget(int number, GadgetKind kind, int x, int y, int width, int height) {
    auto window = D().windows.find(D().currentWindow);
    if (window == D().windows.end()) return nullptr;
    if (LookupGadget(number)) {
        Window& owner = D().windows[D().gadgets[number].window];
        std::erase(owner.gadgets, number);
        if (D().focusedGadget == number) D().focusedGadget = -1;
        D().gadgets.erase(number);
    }
    Gadget g;
    g.number = number;
    g.window = window->first;
    g.kind = kind;
    g.rect = {x, y, width, height};
    g.fieldRect = g.rect;
    window->second.gadgets.push_back(number);
    return &(D().gadgets[number] = g);
}

void Navigate(bool backwards) {
    const auto window = D().windows.find(D().activeWindow);
    if (window == D().windows.end()) return;
    std::vector<int> stops;
    for (int n : window->second.gadgets) {
        if (IsTabStop(D().gadgets[n])) stops.push_back(n);
    }
    if (stops.empty()) return;
    auto current = std::find(stops.begin(), stops.end(), D().focusedGadget);
    int next;
    if (current == stops.end()) {
        next = backwards ? stops.back() : stops.front();
    } else {
        std::size_t i = static_cast<std::size_t>(current - stops.begin());
        i = backwards ? (i + stops.size() - 1) % stops.size() : (i + 1) % stops.size();
        next = stops[i];
    }
    MoveFocus(next);
}

}  // namespace

void Post(NativeMessage message) { D().queue.push_back(message); }

void PostGadgetNotice(int gadget, std::uint32_t type) {
    if (D().suppressNotices) return;
    Post({NativeMessage::Kind::GadgetNotice, gadget, type});
}

void MoveFocus(int gadget) {
    const int old = D().focusedGadget;
    if (old == gadget) return;
    D().focusedGadget = gadget;
    if (const Gadget* g = LookupGadget(old); g && g->kind == GadgetKind::Spin) {
        PostGadgetNotice(old, NOTICE_FOCUS_OUT);
    }
    if (const Gadget* g = LookupGadget(gadget); g && g->kind == GadgetKind::Spin) {
        PostGadgetNotice(gadget, NOTICE_FOCUS_IN);
    }
}

void CloseWindowAndGadgets(int number) {
    auto window = D().windows.find(number);
    if (window == D().windows.end()) return;
    for (int g : window->second.gadgets) {
        if (D().focusedGadget == g) D().focusedGadget = -1;
        D().gadgets.erase(g);
    }
    if (D().activeWindow == number) D().activeWindow = -1;
    if (D().currentWindow == number) D().currentWindow = -1;
    D().windows.erase(window);
}

const Window* FindWindow(int number) {
    auto found = D().windows.find(number);
    return found == D().windows.end() ? nullptr : &found->second;
}

const Gadget* FindGadget(int number) { return LookupGadget(number); }
int ActiveWindow() { return D().activeWindow; }
int FocusedGadget() { return D().focusedGadget; }
void FailNextWindowOpen() { D().failNextWindowOpen = true; }

bool ClickButton(int gadget) {
    Gadget* g = UsableGadget(gadget);
    if (!g || g->kind != GadgetKind::Button) return false;
    MoveFocus(gadget);
    PostGadgetNotice(gadget, NOTICE_CLICKED);
    return true;
}

bool ClickInto(int gadget) {
    Gadget* g = UsableGadget(gadget);
    if (!g || !IsTabStop(*g)) return false;
    MoveFocus(gadget);
    return true;
}

// A drag: one notice per step of the thumb, then the closing notice.
bool TrackBarDrag(int gadget, int value) {
    Gadget* g = UsableGadget(gadget);
    if (!g || g->kind != GadgetKind::TrackBar) return false;
    MoveFocus(gadget);
    const int target = std::clamp(value, g->minimum, g->maximum);
    while (g->value != target) {
        g->value += g->value < target ? 1 : -1;
        PostGadgetNotice(gadget, NOTICE_SCROLL);
    }
    PostGadgetNotice(gadget, NOTICE_SCROLL_END);
    return true;
}

// The arrows stop at the bounds; each click is reported, and the field is
// rewritten (another notice) when the value moved.
bool SpinArrow(int gadget, int steps) {
    Gadget* g = UsableGadget(gadget);
    if (!g || g->kind != GadgetKind::Spin) return false;
    const int direction = steps < 0 ? -1 : 1;
    for (int i = 0; i < std::abs(steps); ++i) {
        const int before = g->value;
        g->value = std::clamp(g->value + direction, g->minimum, g->maximum);
        PostGadgetNotice(gadget, NOTICE_ARROW_STEP);
        if (g->value != before) {
            RewriteSpinField(*g);
            PostGadgetNotice(gadget, NOTICE_TEXT_CHANGED);
        }
    }
    return true;
}

bool TypeInto(int gadget, const std::string& text, bool replaceAll) {
    Gadget* g = UsableGadget(gadget);
    if (!g || (g->kind != GadgetKind::Spin && g->kind != GadgetKind::Editor)) return false;
    MoveFocus(gadget);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == 0 && replaceAll) g->text.clear();
        g->text.push_back(text[i]);
        if (g->kind == GadgetKind::Spin) PostGadgetNotice(gadget, NOTICE_TEXT_CHANGED);
    }
    return true;
}

void PressTab(bool shift) { Post({NativeMessage::Kind::TabKey, 0, shift ? 1u : 0u}); }

void RequestClose(int window) {
    if (D().windows.count(window)) QueueNotice(platform::EVENT_CLOSE_WINDOW, window);
}

void WindowStateNotice(int window) {
    if (D().windows.count(window)) QueueNotice(platform::EVENT_WINDOW_NOTICE, window);
}

}  // namespace sim

namespace platform {

using sim::D;
using sim::Gadget;
using sim::GadgetKind;

NativeHandle WindowOpen(int number, int x, int y, int width, int height, const std::string& title,
                        std::uint32_t flags) {
    sim::CloseWindowAndGadgets(number);
    if (D().failNextWindowOpen) {
        D().failNextWindowOpen = false;
        return 0;
    }
    sim::Window w;
    w.number = number;
    w.handle = sim::NewHandle();
    w.x = x;
    w.y = y;
    w.clientWidth = width;
    w.clientHeight = height;
    w.title = title;
    w.flags = flags;
    w.visible = (flags & WINDOW_INVISIBLE) == 0;
    D().windows[number] = w;
    D().currentWindow = number;
    if (w.visible) {
        D().activeWindow = number;
        D().focusedGadget = -1;
    }
    return w.handle;
}

void WindowClose(int number) { sim::CloseWindowAndGadgets(number); }

NativeHandle WindowHandle(int number) {
    const sim::Window* w = sim::FindWindow(number);
    return w ? w->handle : 0;
}

UiEvent PollUiEvent(int timeoutMs) {
    D().log.push_back("poll");
    UiEvent event;
    event.type = CLICK_NONE;
    if (!D().notices.empty()) {
        event = D().notices.front();
        event.type = CLICK_NONE;
        D().notices.pop_front();
        return event;
    }
    if (D().queue.empty()) {
        // Block until the next scheduled input or the time-out.
        const std::uint64_t deadline = D().clock + static_cast<std::uint64_t>(std::max(timeoutMs, 0));
        const bool woken = !D().scheduled.empty() && D().scheduled.begin()->first <= deadline;
        sim::AdvanceClock(woken ? D().scheduled.begin()->first - D().clock : deadline - D().clock);
        if (!woken || D().queue.empty()) {
            event.kind = EVENT_NONE;
            return event;
        }
    }
    const sim::NativeMessage message = D().queue.front();
    D().queue.pop_front();
    switch (message.kind) {
    case sim::NativeMessage::Kind::TabKey: {
        const Gadget* focused = sim::FindGadget(D().focusedGadget);
        if (message.detail == 0 && focused && focused->kind == GadgetKind::Editor) {
            D().gadgets[D().focusedGadget].text.push_back('\t');
        } else {
            sim::Navigate(message.detail != 0);
        }
        event.kind = EVENT_OTHER;
        return event;
    }
    case sim::NativeMessage::Kind::TrayEvent:
        event.type = TrayClickType(message.detail);
        event.kind = event.type == CLICK_NONE ? EVENT_OTHER : EVENT_SYSTRAY;
        event.number = message.number;
        return event;
    case sim::NativeMessage::Kind::MenuCommand:
        event.kind = EVENT_MENU;
        event.number = message.number;
        return event;
    case sim::NativeMessage::Kind::GadgetNotice:
        event.kind = EVENT_GADGET;
        event.number = message.number;
        event.type = static_cast<std::int32_t>(message.detail);
        return event;
    case sim::NativeMessage::Kind::Plain: break;
    }
    event.kind = EVENT_OTHER;
    return event;
}

int GadgetTrackBar(int number, int x, int y, int width, int height, int minimum, int maximum,
                   std::uint32_t flags) {
    Gadget* g = sim::NewGadget(number, GadgetKind::TrackBar, x, y, width, height);
    if (!g) return 0;
    g->minimum = minimum;
    g->maximum = maximum;
    g->value = minimum;
    g->flags = flags;
    return 1;
}

int GadgetSpin(int number, int x, int y, int width, int height, int minimum, int maximum,
               std::uint32_t flags) {
    Gadget* g = sim::NewGadget(number, GadgetKind::Spin, x, y, width, height);
    if (!g) return 0;
    const int k = height / 2;
    g->fieldRect = {x, y, width - k, height};
    g->arrowsRect = {x + width - k, y, k, height};
    // Range and value are 16-bit numbers.
    g->minimum = std::clamp(minimum, -32768, 32767);
    g->maximum = std::clamp(maximum, -32768, 32767);
    g->value = g->minimum;
    g->flags = flags;
    return 1;
}

int GadgetLabel(int number, int x, int y, int width, int height, const std::string& text) {
    Gadget* g = sim::NewGadget(number, GadgetKind::Label, x, y, width, height);
    if (!g) return 0;
    g->text = text;
    return 1;
}

int GadgetEditor(int number, int x, int y, int width, int height) {
    return sim::NewGadget(number, GadgetKind::Editor, x, y, width, height) ? 1 : 0;
}

int GadgetButton(int number, int x, int y, int width, int height, const std::string& text) {
    Gadget* g = sim::NewGadget(number, GadgetKind::Button, x, y, width, height);
    if (!g) return 0;
    g->text = text;
    return 1;
}

void GadgetSetState(int number, std::int32_t value) {
    Gadget* g = sim::LookupGadget(number);
    if (!g) return;
    if (g->kind == GadgetKind::TrackBar) g->value = std::clamp(value, g->minimum, g->maximum);
    if (g->kind == GadgetKind::Spin) sim::SetSpinValue(*g, value);
}

std::int32_t GadgetGetState(int number) {
    Gadget* g = sim::LookupGadget(number);
    if (!g) return 0;
    if (g->kind == GadgetKind::Spin) {
        g->value = SpinFieldValue(g->text, g->value, g->minimum, g->maximum);
        return g->value;
    }
    return g->kind == GadgetKind::TrackBar ? g->value : 0;
}

void GadgetSetText(int number, const std::string& text) {
    Gadget* g = sim::LookupGadget(number);
    if (g) g->text = text;
}

}  // namespace platform
