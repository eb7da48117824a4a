// The four configured values and the four-line settings file "Pictarn.ini".
#pragma once

#include <cstdint>
#include <string>

struct Settings {
    std::int32_t quality = 0;  // 1 poorest .. 10 best
    std::int32_t width = 0;    // size every screenshot is scaled to
    std::int32_t height = 0;
    std::string folder;        // output folder with its trailing backslash
};

// The one record, owned by the application core.
extern Settings settings;

inline constexpr const char* SETTINGS_FILE_NAME = "Pictarn.ini";

// Reads the file once at start-up; when it cannot be opened, tells the user
// and leaves the record as it is.
void SettingsLoad();
// Writes the record over the file (never truncating it); failures are silent.
void SettingsSave();
