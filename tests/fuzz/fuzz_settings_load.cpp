// Fuzz target: arbitrary bytes as "Pictarn.ini", read by SettingsLoad on the
// simulated desktop (message boxes are confirmed by its default handler).
// Oracles besides the sanitizers:
//  - the record matches a plain model of the file rules (lines end at LF,
//    CR, CR LF, NUL or the end; blanks and tabs, one sign, "$", "%", digits,
//    64-bit wrap-around, low 32 bits kept);
//  - ParseInteger of the whole input matches the same model, and
//    FormatInteger of every value read parses back to that value;
//  - SettingsSave over the file and a second SettingsLoad give the same record.
#include "platform/platform.hpp"
#include "platform/sim/sim.hpp"
#include "settings/settings.hpp"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string g_folder;
std::filesystem::path g_home;

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

std::vector<std::string> ModelLines(const std::uint8_t* data, std::size_t size, std::size_t count) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (lines.size() < count) {
        std::string line;
        while (i < size && data[i] != '\n' && data[i] != '\r' && data[i] != '\0') line.push_back(static_cast<char>(data[i++]));
        if (i < size) {
            if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') ++i;
            ++i;
        }
        lines.push_back(line);
    }
    return lines;
}

std::int64_t ModelParse(const std::string& t) {
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    std::uint64_t base = 10;
    if (i < t.size() && t[i] == '$') base = 16, ++i;
    else if (i < t.size() && t[i] == '%') base = 2, ++i;
    std::uint64_t value = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        std::uint64_t digit;
        if (c >= '0' && c <= '9') digit = static_cast<std::uint64_t>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<std::uint64_t>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<std::uint64_t>(c - 'A' + 10);
        else break;
        if (digit >= base) break;
        value = value * base + digit;
    }
    return static_cast<std::int64_t>(negative ? 0 - value : value);
}

std::int32_t Low32(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

bool SameRecord(const Settings& a, const Settings& b) {
    return a.quality == b.quality && a.width == b.width && a.height == b.height && a.folder == b.folder;
}

bool WriteIni(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(SETTINGS_FILE_NAME, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (std::filesystem::temp_directory_path() / "pictarn-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    g_folder = pattern;
    g_home = std::filesystem::current_path();
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string whole(reinterpret_cast<const char*>(data), size);
    Check(platform::ParseInteger(whole) == ModelParse(whole));

    // Inside the temporary folder only while the program runs, so that
    // libFuzzer's own files land where it was started.
    std::filesystem::current_path(g_folder);
    Check(WriteIni(data, size));
    sim::Reset();
    settings = Settings{};
    SettingsLoad();
    Check(sim::ModalsShown().empty());

    const std::vector<std::string> lines = ModelLines(data, size, 4);
    const Settings expected{Low32(ModelParse(lines[0])), Low32(ModelParse(lines[1])),
                            Low32(ModelParse(lines[2])), lines[3]};
    Check(SameRecord(settings, expected));
    for (std::int32_t v : {settings.quality, settings.width, settings.height}) {
        Check(platform::ParseInteger(platform::FormatInteger(v)) == v);
    }

    const Settings loaded = settings;
    SettingsSave();
    settings = Settings{};
    SettingsLoad();
    Check(SameRecord(settings, loaded));
    std::filesystem::current_path(g_home);
    return 0;
}
