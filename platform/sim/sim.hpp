// The simulated desktop: a headless, deterministic backend with a virtual
// clock. Tests script it (clipboard, keys, tray clicks, gadget actions,
// answers to modal dialogs) and inspect what the program made of it.
// Files are real: they go to the process's current directory.
#pragma once

#include "platform/platform.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sim {

// What ExitProcess throws on this desktop, so a test can watch the end.
struct ProcessExit {
    std::uint32_t code;
};

// ---- Set-up and time ---------------------------------------------------------

// A fresh desktop: no windows, empty clipboard, no keys down, clock at 0.
void Reset();
std::uint64_t NowMs();
// Runs `action` once the virtual clock reaches `timeMs` (during a wait or sleep).
void At(std::uint64_t timeMs, std::function<void()> action);

// ---- Keyboard ----------------------------------------------------------------

void KeyDown(int virtualKey);
void KeyUp(int virtualKey);
// Down and up again before anybody looked: seen once as "pressed since".
void KeyTap(int virtualKey);

// ---- Clipboard ---------------------------------------------------------------

void ClipboardSetDib(std::vector<std::uint8_t> block);
void ClipboardSetText(std::string text);
void ClipboardSetHeldByOther(bool held);
bool ClipboardHasDib();
bool ClipboardHasText();
int ClipboardEmptyCount();

// ---- Windows, gadgets and the user's actions ---------------------------------

enum class GadgetKind { TrackBar, Spin, Label, Editor, Button };

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

struct Gadget {
    int number = 0;
    int window = 0;
    GadgetKind kind = GadgetKind::Label;
    Rect rect;         // the whole gadget
    Rect fieldRect;    // spin box: the edit field; others: the same as rect
    Rect arrowsRect;   // spin box: the up and down arrows
    std::string text;  // label, button, editor, spin field
    int minimum = 0, maximum = 0;
    int value = 0;     // track bar position, spin box value
    std::uint32_t flags = 0;
};

struct Window {
    int number = 0;
    platform::NativeHandle handle = 0;
    int x = 0, y = 0, clientWidth = 0, clientHeight = 0;
    std::string title;
    std::uint32_t flags = 0;
    bool visible = false;
    bool enabled = true;
    std::vector<int> gadgets;  // in creation order
};

const Window* FindWindow(int number);
const Gadget* FindGadget(int number);
int ActiveWindow();    // window number, -1 for none
int FocusedGadget();   // gadget number, -1 for none
// The next WindowOpen fails as if the desktop refused the window.
void FailNextWindowOpen();

// User actions. Each returns false when the user could not do it (no such
// gadget, its window is disabled or hidden). They post native messages that
// later PollUiEvent calls deliver.
bool ClickButton(int gadget);
bool ClickInto(int gadget);  // gives the gadget the keyboard focus
bool TrackBarDrag(int gadget, int value);
bool SpinArrow(int gadget, int steps);  // +1 up, -1 down, one click each
// Types into a spin field, one character at a time; with replaceAll the first
// character replaces the whole (selected) text.
bool TypeInto(int gadget, const std::string& text, bool replaceAll = false);
void PressTab(bool shift = false);
void RequestClose(int window);  // close box, Alt+F4, system menu Close
void WindowStateNotice(int window);

// ---- Tray and menus ----------------------------------------------------------

struct TrayIcon {
    platform::NativeHandle owner = 0;
    platform::NativeHandle icon = 0;
    std::string tip;
};
struct MenuItem {
    int id = 0;  // 0 for a separator
    std::string text;
    bool separator = false;
};

const std::map<int, TrayIcon>& TrayIcons();
const std::vector<MenuItem>* FindMenu(int number);
// The shell refuses the next TrayIconAdd.
void RefuseTray(bool refuse);
// Mouse message over tray icon `number`; false when no such icon is up.
bool TrayMouse(std::uint32_t mouseMessage, int number = platform::TRAY_ICON);
void SetCursorPos(int x, int y);

// ---- Modal dialogs ---------------------------------------------------------

enum class ModalKind { Message, Menu, FolderChooser };

struct Modal {
    ModalKind kind = ModalKind::Message;
    std::string title;
    std::string text;          // message text, or the chooser's initial folder copy
    int x = 0, y = 0;          // menu: where it was shown
    platform::NativeHandle owner = 0;
    std::vector<int> disabledWindows;  // windows disabled while it is up
    std::vector<int> trayIconsUp;      // tray icons present when it came up
    std::vector<int> windowsOpen;      // windows present when it came up
};

struct ModalAnswer {
    int menuItem = 0;                   // 0: closed without a choice
    std::optional<std::string> folder;  // nullopt: cancelled
};

// Called whenever a modal element comes up; by default message boxes are
// confirmed, menus closed without a choice and folder choosers cancelled.
// The handler may act as the user meanwhile; whatever input it queues is
// consumed by the modal element's own message loop.
void OnModal(std::function<ModalAnswer(const Modal&)> handler);
const std::vector<Modal>& ModalsShown();
void FailShellLibrary(bool fail);

// ---- Log ---------------------------------------------------------------------

// Calls the program made, in order: "startup", "sleep 1", "poll", "key 44",
// "clipboard-open", "shutdown", "exit 0", ...
const std::vector<std::string>& Log();
void ClearLog();

}  // namespace sim
