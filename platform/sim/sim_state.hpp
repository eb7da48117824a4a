// The one record holding the whole simulated desktop.
#pragma once

#include "platform/sim/sim.hpp"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace sim {

// A native message waiting in the simulated queue.
struct NativeMessage {
    enum class Kind { TrayEvent, MenuCommand, GadgetNotice, TabKey, Plain } kind = Kind::Plain;
    int number = 0;              // tray icon, menu item or gadget
    std::uint32_t detail = 0;    // tray: mouse message; gadget: notice type; tab: 1 for Shift
};

// Gadget notice types (the event's type field; the loop never reads it).
enum GadgetNotice : std::uint32_t {
    NOTICE_CLICKED = 0,
    NOTICE_SCROLL = 1,
    NOTICE_SCROLL_END = 2,
    NOTICE_TEXT_CHANGED = 3,
    NOTICE_FOCUS_IN = 4,
    NOTICE_FOCUS_OUT = 5,
    NOTICE_ARROW_STEP = 6,
};

struct KeyState {
    bool down = false;
    bool pressedSinceQuery = false;
};

struct Desktop {
    std::uint64_t clock = 0;
    std::multimap<std::uint64_t, std::function<void()>> scheduled;
    std::map<int, KeyState> keys;

    std::optional<std::vector<std::uint8_t>> clipboardDib;
    std::optional<std::string> clipboardText;
    bool clipboardHeld = false;
    int clipboardEmptied = 0;

    std::map<int, Window> windows;
    std::map<int, Gadget> gadgets;
    int currentWindow = -1;  // the window gadgets go into
    int activeWindow = -1;
    int focusedGadget = -1;
    bool failNextWindowOpen = false;
    bool suppressNotices = false;  // set while the program itself changes a gadget

    std::deque<NativeMessage> queue;
    std::deque<platform::UiEvent> notices;

    std::map<int, TrayIcon> trayIcons;
    bool refuseTray = false;
    std::map<int, std::vector<MenuItem>> menus;
    int currentMenu = -1;
    int cursorX = 0, cursorY = 0;

    std::function<ModalAnswer(const Modal&)> modalHandler;
    std::vector<Modal> modals;
    bool failShellLibrary = false;

    std::map<platform::NativeHandle, std::string> nativeImages;  // loaded icons and bitmaps
    platform::NativeHandle nextHandle = 0x1000;
    std::vector<std::string> log;
};

Desktop& D();
platform::NativeHandle NewHandle();
// Moves the clock forward, running the scheduled actions that fall due.
void AdvanceClock(std::uint64_t milliseconds);
void Post(NativeMessage message);
void PostGadgetNotice(int gadget, std::uint32_t type);
// Focus to `gadget` (-1: none), posting the spin fields' focus notices.
void MoveFocus(int gadget);
// Runs a modal element: disables the other windows, asks the handler,
// consumes the input queued meanwhile, enables the windows again.
ModalAnswer RunModal(Modal modal);
void CloseWindowAndGadgets(int number);

}  // namespace sim
