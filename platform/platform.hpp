// The operations the program calls on its desktop. Every backend under
// platform/ (win32, sim, ...) implements all of them; nothing above this
// header knows which backend it runs on.
//
// Conventions shared by every operation:
//  - objects (windows, gadgets, menus, images, files, tray icons) are
//    addressed by small numbers; creating an object under a number in use
//    first destroys the old one; an operation on an empty number does
//    nothing and returns 0;
//  - success is non-zero, failure 0;
//  - texts are 8-bit strings passed through as bytes (the program's own
//    texts are code page 1251).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A desktop's own handle of an object (HWND, HICON, ...); 0 means none.
using NativeHandle = std::uintptr_t;

// ---- Events -------------------------------------------------------------

struct UiEvent {
    std::int32_t kind = 0;
    std::int32_t number = 0;
    std::int32_t type = -1;
};

constexpr std::int32_t EVENT_NONE = 0;
constexpr std::int32_t EVENT_GADGET = 13100;
constexpr std::int32_t EVENT_MENU = 13101;
constexpr std::int32_t EVENT_SYSTRAY = 13102;
constexpr std::int32_t EVENT_CLOSE_WINDOW = 16;
// Kinds the loop ignores: window-state notices and messages without an event.
constexpr std::int32_t EVENT_WINDOW_NOTICE = 17;
constexpr std::int32_t EVENT_OTHER = 1;

constexpr std::int32_t CLICK_NONE = -1;
constexpr std::int32_t CLICK_LEFT = 0;
constexpr std::int32_t CLICK_RIGHT = 1;
constexpr std::int32_t CLICK_LEFT_DOUBLE = 2;
constexpr std::int32_t CLICK_RIGHT_DOUBLE = 3;

// Tray notices: the shell sends MSG_TRAY_NOTIFY to the owner window, which
// re-posts it to itself as MSG_TRAY_EVENT; mouse messages in lParam.
constexpr std::uint32_t MSG_TRAY_NOTIFY = 12501;
constexpr std::uint32_t MSG_TRAY_EVENT = 12502;
constexpr std::uint32_t MOUSE_LEFT_DOWN = 0x0201;
constexpr std::uint32_t MOUSE_LEFT_UP = 0x0202;
constexpr std::uint32_t MOUSE_LEFT_DOUBLE = 0x0203;
constexpr std::uint32_t MOUSE_RIGHT_DOWN = 0x0204;
constexpr std::uint32_t MOUSE_RIGHT_UP = 0x0205;
constexpr std::uint32_t MOUSE_RIGHT_DOUBLE = 0x0206;
constexpr std::uint32_t MOUSE_MOVE = 0x0200;

// Click type of a tray mouse message, CLICK_NONE when it gives no event.
constexpr std::int32_t TrayClickType(std::uint32_t mouseMessage) {
    switch (mouseMessage) {
    case MOUSE_LEFT_DOWN: return CLICK_LEFT;
    case MOUSE_RIGHT_DOWN: return CLICK_RIGHT;
    case MOUSE_LEFT_DOUBLE: return CLICK_LEFT_DOUBLE;
    case MOUSE_RIGHT_DOUBLE: return CLICK_RIGHT_DOUBLE;
    default: return CLICK_NONE;
    }
}

// ---- Object numbers and flags ---------------------------------------------

constexpr int WINDOW_MAIN = 0;
constexpr int WINDOW_SETTINGS = 1;
constexpr int TRAY_ICON = 1;
constexpr int MENU_TRAY = 0;
constexpr int MENU_SETTINGS = 1;
constexpr int MENU_ABOUT = 2;
constexpr int MENU_EXIT = 10;
constexpr int IMAGE_SCREENSHOT = 0;
constexpr int IMAGE_TRAY_ICON = 1;
constexpr int FILE_SETTINGS = 0;

constexpr std::uint32_t WINDOW_SYSTEM_MENU = 0x00C80000;
constexpr std::uint32_t WINDOW_MINIMIZE_BOX = 0x00020000;
constexpr std::uint32_t WINDOW_MAXIMIZE_BOX = 0x00010000;
constexpr std::uint32_t WINDOW_INVISIBLE = 0x10000000;

constexpr std::uint32_t TRACKBAR_TICKS = 1;
constexpr std::uint32_t SPIN_NUMERIC = 2;

// ---- Process ------------------------------------------------------------

void PlatformStartup();
// Tray icons down, windows (with gadgets) closed, files closed, images released.
void PlatformShutdown();
void Sleep(std::uint32_t milliseconds);
[[noreturn]] void ExitProcess(std::uint32_t exitCode);

// ---- Windows and events -----------------------------------------------------

// x, y: outer top-left corner; width, height: the client area.
NativeHandle WindowOpen(int number, int x, int y, int width, int height,
                        const std::string& title, std::uint32_t flags);
void WindowClose(int number);
NativeHandle WindowHandle(int number);
UiEvent PollUiEvent(int timeoutMs);
// Non-zero when the key is down now or was pressed since the previous query.
std::int16_t GetAsyncKeyState(int virtualKey);

// ---- Gadgets (go into the window opened last) -------------------------------

int GadgetTrackBar(int number, int x, int y, int width, int height,
                   int minimum, int maximum, std::uint32_t flags);
int GadgetSpin(int number, int x, int y, int width, int height,
               int minimum, int maximum, std::uint32_t flags);
int GadgetLabel(int number, int x, int y, int width, int height, const std::string& text);
int GadgetEditor(int number, int x, int y, int width, int height);
int GadgetButton(int number, int x, int y, int width, int height, const std::string& text);
void GadgetSetState(int number, std::int32_t value);
std::int32_t GadgetGetState(int number);
void GadgetSetText(int number, const std::string& text);

// ---- Tray and popup menu -------------------------------------------------

void TrayIconAdd(int number, NativeHandle owner, NativeHandle icon);
int TrayIconSetTip(int number, const std::string& text);
void TrayIconRemove(int number);
NativeHandle MenuCreatePopup(int number);
void MenuAddItem(int item, const std::string& text);
void MenuAddSeparator();
// Modal; the choice arrives later as EVENT_MENU.
void MenuShowAtCursor(int menuNumber, NativeHandle owner);

// ---- Dialogs ---------------------------------------------------------------

void ShowMessage(const std::string& title, const std::string& text);
// The chosen folder with a trailing backslash, empty text when cancelled.
std::string ChooseFolder(const std::string& title, const std::string& initialFolder);

// ---- Clipboard and pictures ------------------------------------------------

NativeHandle ClipboardGetImage(int slot);
int ClipboardClear();
NativeHandle ImageLoadFile(int slot, const std::string& fileName);
NativeHandle ImageResize(int slot, std::int32_t width, std::int32_t height);
int ImageSaveJpeg(int slot, const std::string& path, std::int32_t quality);

// ---- Files -----------------------------------------------------------------

int FileOpenRead(int number, const std::string& name);
int FileOpenOrCreate(int number, const std::string& name);
std::string FileReadLine(int number);
int FileWriteLine(int number, const std::string& text);
void FileClose(int number);
std::int64_t ParseInteger(const std::string& text);
std::string FormatInteger(std::int64_t value);

}  // namespace platform
