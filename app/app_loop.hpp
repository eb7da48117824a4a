// Start-up, the main loop and shutdown. main() is AppStartup() followed by
// AppPass() forever; the pieces are separate so that tests can drive them.
#pragma once

inline constexpr int PASS_SLEEP_MS = 1;
inline constexpr int KEY_SCAN_FIRST = 40;
inline constexpr int KEY_SCAN_LAST = 50;
inline constexpr int KEY_PRINT_SCREEN = 44;
inline constexpr int POLL_TIMEOUT_MS = 10;

inline constexpr const char* MAIN_WINDOW_TITLE = "Korvadine - SysTray Example";

// State to zero, platform up, settings read, hidden main window, tray.
void AppStartup();
// One pass: the 1 ms sleep and eleven turns for key codes 40..50.
void AppPass();
// One turn: wait for one event, dispatch it, check the exit flag, then
// query the turn's key (only Print Screen is acted on).
void AppTurn(int keyCode);
// Takes everything down and ends the process with exit code 0.
[[noreturn]] void AppShutdown();
