// The program's own state besides the settings: the exit flag.
#pragma once

// 0 while running; the tray menu's "Выход" sets it to 1 and nothing resets it.
extern int exitRequested;

// Start-up step one: every piece of program state back to zero.
void ResetProgramState();
