// Prefix preparation and wineserver control for the end-to-end tests.
#include "wine_env.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "child_process.hpp"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kMarkerText[] = "pictarn e2e prefix 1\n";

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

}  // namespace

const WineConfig& Config() {
    static const WineConfig config = [] {
        WineConfig c;
        c.windowsBuildDir = PICTARN_E2E_WINDOWS_BUILD_DIR;
        c.iconFile = PICTARN_E2E_ICON_FILE;
        c.prefix = EnvOr("PICTARN_E2E_WINEPREFIX", PICTARN_E2E_DEFAULT_PREFIX);
        c.testRoot = c.prefix + "/drive_c/pictarn-e2e";
        c.testRootWindows = "C:\\pictarn-e2e";
        return c;
    }();
    return config;
}

void ExportWineEnvironment() {
    setenv("WINEPREFIX", Config().prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("LANG", "C.UTF-8", 1);
    // No .NET or HTML engine installers, no desktop menu entries.
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml,winemenubuilder.exe=d", 1);
}

bool HaveDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

bool PreparePrefix(std::string& error) {
    const WineConfig& c = Config();
    const fs::path marker = fs::path(c.prefix) / ".pictarn-e2e-ready";
    std::ifstream existing(marker);
    std::stringstream text;
    text << existing.rdbuf();
    if (existing && text.str() == kMarkerText) return true;

    std::error_code ec;
    fs::remove_all(c.prefix, ec);
    fs::create_directories(fs::path(c.prefix).parent_path(), ec);
    const std::string log = c.prefix + ".log";
    if (RunCommand({"wineboot", "-i"}, 240000, log) != 0) {
        error = "wineboot -i failed; see " + log;
        return false;
    }
    RunCommand({"wine", "reg", "add", "HKCU\\Software\\Wine\\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD",
                "/d", "0", "/f"},
               60000, log);
    RunCommand({"wineserver", "-w"}, 60000, log);
    std::ofstream(marker) << kMarkerText;
    return true;
}

void StartServer() {
    // Returns at once: the server goes to the background, or one is running already.
    RunCommand({"wineserver", "-p"}, 30000);
}

void StopServer() {
    RunCommand({"wineserver", "-k"}, 30000);
    RunCommand({"wineserver", "-w"}, 30000);
}

}  // namespace e2e
