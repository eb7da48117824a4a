#include "app/app_loop.hpp"

#include "app/program_state.hpp"
#include "capture/screenshot.hpp"
#include "platform/platform.hpp"
#include "settings/settings.hpp"
#include "ui/settings_window.hpp"
#include "ui/tray.hpp"

#include <climits>
#include <cstdint>
#include <iterator>

using namespace platform;

namespace {

void RequestExit() { exitRequested = 1; }

constexpr std::int32_t kAnyType = INT32_MIN;
constexpr std::int32_t kAnyNumber = INT32_MIN;

struct DispatchRow {
    std::int32_t kind;
    std::int32_t number;  // kAnyNumber: not tested
    std::int32_t type;    // kAnyType: not tested
    void (*action)();
};

// Tested in this order; no two rows match the same event.
constexpr DispatchRow kDispatchTable[] = {
    {EVENT_SYSTRAY, kAnyNumber, CLICK_RIGHT, OnTrayRightButton},
    {EVENT_GADGET, GADGET_ACCEPT, kAnyType, OnAccept},
    {EVENT_GADGET, GADGET_CANCEL, kAnyType, OnCancel},
    {EVENT_GADGET, GADGET_QUALITY, kAnyType, OnQualityChanged},
    {EVENT_GADGET, GADGET_WIDTH, kAnyType, OnWidthChanged},
    {EVENT_GADGET, GADGET_HEIGHT, kAnyType, OnHeightChanged},
    {EVENT_GADGET, GADGET_CHANGE, kAnyType, OnChangeFolder},
    {EVENT_MENU, MENU_SETTINGS, kAnyType, ShowSettingsWindow},
    {EVENT_MENU, MENU_ABOUT, kAnyType, ShowAboutBox},
    {EVENT_MENU, MENU_EXIT, kAnyType, RequestExit},
};

bool Matches(const DispatchRow& row, const UiEvent& event) {
    return event.kind == row.kind && (row.number == kAnyNumber || event.number == row.number) &&
           (row.type == kAnyType || event.type == row.type);
}

void Dispatch(const UiEvent& event) {
    for (const DispatchRow& row : kDispatchTable) {
        if (Matches(row, event)) {
            row.action();
            return;
        }
    }
}

}  // namespace

void AppStartup() {
    ResetProgramState();
    PlatformStartup();
    SettingsLoad();
    // Never shown: it owns the tray icon and the popup menu.
    WindowOpen(WINDOW_MAIN, 100, 150, 300, 100, MAIN_WINDOW_TITLE, WINDOW_SYSTEM_MENU | WINDOW_INVISIBLE);
    TraySetup();
    exitRequested = 0;
}

void AppTurn(int keyCode) {
    Dispatch(PollUiEvent(POLL_TIMEOUT_MS));
    if (exitRequested == 1) AppShutdown();
    // Queried in every turn; only Print Screen in its own turn counts.
    if (GetAsyncKeyState(keyCode) != 0 && keyCode == KEY_PRINT_SCREEN) TakeScreenshot();
}

void AppPass() {
    Sleep(PASS_SLEEP_MS);
    for (int key = KEY_SCAN_FIRST; key <= KEY_SCAN_LAST; ++key) AppTurn(key);
}

void AppShutdown() {
    PlatformShutdown();
    settings = Settings{};
    ExitProcess(0);
}
