#include "settings/settings.hpp"

#include "platform/common/cp1251.hpp"
#include "platform/platform.hpp"

using namespace platform;

Settings settings;

namespace {

constexpr auto kMessageTitle = Cp1251(u8"Сообщение");
constexpr auto kCannotOpenText = Cp1251(u8"Невозможно открыть файл Pictarn.ini !");

// The file holds any integer; the record keeps its low 32 bits.
std::int32_t ReadIntegerLine() {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(
        static_cast<std::uint64_t>(ParseInteger(FileReadLine(FILE_SETTINGS)))));
}

}  // namespace

void SettingsLoad() {
    if (!FileOpenRead(FILE_SETTINGS, SETTINGS_FILE_NAME)) {
        ShowMessage(kMessageTitle, kCannotOpenText);
        return;
    }
    settings.quality = ReadIntegerLine();
    settings.width = ReadIntegerLine();
    settings.height = ReadIntegerLine();
    settings.folder = FileReadLine(FILE_SETTINGS);
    FileClose(FILE_SETTINGS);
}

void SettingsSave() {
    if (!FileOpenOrCreate(FILE_SETTINGS, SETTINGS_FILE_NAME)) return;
    FileWriteLine(FILE_SETTINGS, FormatInteger(settings.quality));
    FileWriteLine(FILE_SETTINGS, FormatInteger(settings.width));
    FileWriteLine(FILE_SETTINGS, FormatInteger(settings.height));
    FileWriteLine(FILE_SETTINGS, settings.folder);
    FileClose(FILE_SETTINGS);
}
