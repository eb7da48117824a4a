// The tray icon, its popup menu and the About box.
#pragma once

// One line: the maker's web address, two blanks, the author's name.
inline constexpr const char* ABOUT_TEXT = "https://pictarn.org  Pictarn developers";

inline constexpr const char* TRAY_ICON_FILE_NAME = "1.ico";

// Loads "1.ico", puts the tray icon up with the tooltip "Pictarn" and
// builds the popup menu. Called once at start-up.
void TraySetup();
// A right-button press on the tray icon: the menu, modal, at the pointer.
void OnTrayRightButton();
// The menu's "О программе".
void ShowAboutBox();
