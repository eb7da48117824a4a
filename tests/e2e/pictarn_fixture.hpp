// The fixture of every end-to-end test: a fresh folder with Pictarn.exe and
// 1.ico inside the Wine prefix, the test driver, and the real program
// started there under Wine, plus the reading helpers the tests share.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "driver_client.hpp"
#include "hex_text.hpp"
#include "test_picture.hpp"

namespace e2e {

// The program's own texts, as the user reads them.
namespace ru {
inline const std::string kSettings = "Настройки";
inline const std::string kAbout = "О программе";
inline const std::string kExit = "Выход";
inline const std::string kMessageTitle = "Сообщение";
inline const std::string kNoSettingsFile = "Невозможно открыть файл Pictarn.ini !";
inline const std::string kAccept = "Принять";
inline const std::string kCancel = "Отмена";
inline const std::string kChange = "Сменить";
inline const std::string kBrowserTitle = "Папка сохранения скриншота";
}  // namespace ru

inline const std::string kMainWindowTitle = "Korvadine - SysTray Example";

// Mouse messages that the notification area passes to the icon's owner.
constexpr int kLeftDown = 0x0201;
constexpr int kLeftUp = 0x0202;
constexpr int kLeftDouble = 0x0203;
constexpr int kRightDown = 0x0204;
constexpr int kRightUp = 0x0205;
constexpr int kRightDouble = 0x0206;
constexpr int kMouseMove = 0x0200;

// Virtual keys.
constexpr int kVkPrintScreen = 44;
constexpr int kVkShift = 0x10;
constexpr int kVkAlt = 0x12;
constexpr int kVkEnd = 0x23;
constexpr int kVkHome = 0x24;
constexpr int kVkLeft = 0x25;
constexpr int kVkRight = 0x27;
constexpr int kVkF4 = 0x73;

struct WindowInfo {
    bool visible = false;
    bool enabled = false;
    int x = 0, y = 0, width = 0, height = 0;                          // outer rectangle, screen
    int clientX = 0, clientY = 0, clientWidth = 0, clientHeight = 0;  // client area, screen
    std::uint32_t style = 0;
    std::string className;
    std::string title;
};

struct Control {
    std::string hwnd;
    int id = 0;
    std::string className;
    int x = 0, y = 0, width = 0, height = 0;  // in the parent's client area
    std::uint32_t style = 0;
    bool visible = false;
    bool enabled = false;
    std::string text;
};

struct MenuEntry {
    int id = 0;
    unsigned type = 0;   // MFT_ flags; 0x800 separator
    unsigned state = 0;  // MFS_ flags
    bool bitmap = false;
    std::string text;
};

struct MessageBoxView {
    std::string hwnd;
    std::string title;
    std::string text;
    int buttons = 0;
    int icons = 0;
};

// True once the Wine session (prefix, server) is ready; set by main's environment.
bool& SessionReady();
std::string& SessionError();

class PictarnTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // ---- the test folder ----
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    // The test folder as Pictarn sees it, with its trailing backslash.
    std::string WinFolder() const { return winDir_; }
    void WriteFile(const std::string& name, const std::string& bytes) const;
    std::string ReadFile(const std::string& name) const;
    bool Exists(const std::string& name) const;
    void MakeFolder(const std::string& name) const;
    static std::string SettingsText(int quality, int width, int height, const std::string& folder);

    // ---- the program ----
    void StartPictarn();
    // Starts the program with the settings file already written and waits for its hidden main window.
    void StartReady(std::string& mainWindow);
    void WaitMainWindow(std::string& mainWindow);
    bool WaitPictarnExit(int timeoutMs, int& status) { return pictarn_.WaitExit(timeoutMs, status); }
    bool PictarnRunning() { int s; return !pictarn_.WaitExit(0, s); }

    // ---- the driver ----
    Reply Send(const std::string& command, int timeoutMs = 20000) { return driver_.Send(command, timeoutMs); }
    void ReadInfo(const std::string& hwnd, WindowInfo& info);
    void ReadControls(const std::string& hwnd, std::vector<Control>& controls);
    void OpenTrayMenu();
    void ReadMenu(std::vector<MenuEntry>& entries);
    void ChooseFromTrayMenu(int id);
    void OpenSettingsWindow(std::string& hwnd);
    void WaitMessageBox(MessageBoxView& box);
    void FocusedControl(const std::string& window, std::string& focus);

    // ---- screenshots ----
    void PutPictureOnClipboard(int width, int height, Rgb top, Rgb bottom);
    bool ClipboardHasPicture();
    void PressPrintScreen();
    // Waits until the clipboard has been emptied after a Print Screen, then reads the file.
    void WaitScreenshot(const std::string& file, std::string& jpeg);

    // Polls in steps of 50 ms for at most timeoutMs.
    static bool WaitUntil(int timeoutMs, const std::function<bool()>& condition);
    static void Pause(int ms);

    Driver driver_;
    ChildProcess pictarn_;
    std::string dir_;
    std::string winDir_;
};

// The control with that number whose class name starts with classPrefix.
const Control* FindControl(const std::vector<Control>& controls, int id, const std::string& classPrefix);

}  // namespace e2e

#define ASSERT_OK(reply)                     \
    do {                                     \
        const ::e2e::Reply& r_ = (reply);    \
        ASSERT_TRUE(r_.ok) << r_.line;       \
    } while (0)
