// The screenshot run started by Print Screen.
#pragma once

inline constexpr const char* SCREENSHOT_FILE_NAME = "new.jpeg";

// Clipboard picture -> scaled to the configured size -> folder + "new.jpeg"
// at the configured quality; the clipboard is emptied only after a
// successful save.
void TakeScreenshot();
