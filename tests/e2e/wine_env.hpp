// The Wine side of the end-to-end run: where the Windows build and the prefix
// are, the environment every Wine process gets, the prefix made once per
// build tree, and the persistent wineserver shared by the tests.
#pragma once

#include <string>

namespace e2e {

struct WineConfig {
    std::string windowsBuildDir;  // holds Pictarn.exe, pictarn-driver.exe, pictarn-probe.dll
    std::string iconFile;         // shipped beside the executable as 1.ico
    std::string prefix;           // WINEPREFIX of the run
    // Per-test folders live inside the prefix's drive C, where Wine's folder
    // browser can reach them: Unix path and the same folder as Windows sees it.
    std::string testRoot;
    std::string testRootWindows;
};

const WineConfig& Config();
void ExportWineEnvironment();
bool HaveDisplay();

// Creates the prefix when its marker is missing (wineboot, crash dialog off).
bool PreparePrefix(std::string& error);
void StartServer();
void StopServer();

}  // namespace e2e
