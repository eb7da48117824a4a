// Soak: the program on the simulated desktop takes N screenshots in a row
// (Print Screen, one pass of the main loop, "new.jpeg" written, clipboard
// emptied). Resident memory is read after a warm-up and at the end; the run
// fails when a screenshot is not written or memory grew past the bound.
//
//   pictarn_soak [RUNS] [MAX_GROWTH_KB]     defaults: 10000 runs, 2048 kB
//
// Built with AddressSanitizer, freed memory waits in its quarantine and the
// resident size says nothing about the program: the figures are printed but
// not judged, and LeakSanitizer checks at exit instead.
#include "app/app_loop.hpp"
#include "platform/sim/sim.hpp"
#include "support/dib_builder.hpp"
#include "support/temp_folder.hpp"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr int kWarmUpRuns = 100;
constexpr int kClipboardWidth = 320;
constexpr int kClipboardHeight = 200;

// VmRSS of this process in kB, -1 when it cannot be read.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// A diagonal gradient whose phase moves with `seed`, so that consecutive
// screenshots differ.
std::vector<std::uint8_t> Screen(int seed) {
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(kClipboardWidth) * kClipboardHeight);
    for (int y = 0; y < kClipboardHeight; ++y) {
        for (int x = 0; x < kClipboardWidth; ++x) {
            const auto v = static_cast<std::uint32_t>((x + y + seed * 37) & 0xFF);
            rgb[static_cast<std::size_t>(y) * kClipboardWidth + x] = v << 16 | (255 - v) << 8 | (v ^ 0x5A);
        }
    }
    return testsupport::BuildDib(rgb, kClipboardWidth, kClipboardHeight, {.bitCount = 24});
}

bool WriteText(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

// One press of Print Screen and the pass that sees it. False when the
// program ended or the screenshot was not written.
bool ScreenshotRun(const std::vector<std::uint8_t>& screen, const std::string& output) {
    sim::ClipboardSetDib(screen);
    sim::KeyTap(KEY_PRINT_SCREEN);
    try {
        AppPass();
    } catch (const sim::ProcessExit& exit) {
        std::fprintf(stderr, "soak: the program ended with code %u\n", exit.code);
        return false;
    }
    // The call log is the simulated desktop's record for tests; it is not
    // the program's memory and would grow with every pass.
    sim::ClearLog();
    struct stat info;
    return !sim::ClipboardHasDib() && ::stat(output.c_str(), &info) == 0 && info.st_size > 0;
}

}  // namespace

int main(int argc, char** argv) {
    const long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    const long maxGrowthKb = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 2048;
    if (runs <= kWarmUpRuns || maxGrowthKb < 0) {
        std::fprintf(stderr, "usage: pictarn_soak [RUNS > %d] [MAX_GROWTH_KB]\n", kWarmUpRuns);
        return 2;
    }

    testsupport::TempFolder folder;
    if (!folder.Ok()) return 2;
    const std::string shots = folder.File("shots/");
    std::filesystem::create_directory(shots);
    std::filesystem::current_path(folder.Folder());
    if (!WriteText("Pictarn.ini", "7\r\n160\r\n100\r\n" + shots + "\r\n") ||
        !WriteText("1.ico", std::string("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\x28\0\0\0\x16\0\0\0", 22) +
                                std::string(40, '\0'))) {
        return 2;
    }

    const std::vector<std::uint8_t> screens[] = {Screen(0), Screen(1), Screen(2)};
    const std::string output = shots + "new.jpeg";
    sim::Reset();
    AppStartup();

    long startKb = 0;
    for (long run = 0; run < runs; ++run) {
        if (!ScreenshotRun(screens[run % 3], output)) {
            std::fprintf(stderr, "soak: screenshot %ld was not written\n", run + 1);
            return 1;
        }
        if (run + 1 == kWarmUpRuns) startKb = ResidentKb();
    }
    const long endKb = ResidentKb();
    const int emptied = sim::ClipboardEmptyCount();
    sim::Reset();
    std::filesystem::current_path("/");

    std::printf("soak: %ld screenshot runs (%dx%d scaled to 160x100), clipboard emptied %d times\n", runs,
                kClipboardWidth, kClipboardHeight, emptied);
    std::printf("soak: resident after %d warm-up runs %ld kB, at the end %ld kB, growth %ld kB (bound %ld kB)\n",
                kWarmUpRuns, startKb, endKb, endKb - startKb, maxGrowthKb);
    if (startKb < 0 || endKb < 0) {
        std::fprintf(stderr, "soak: /proc/self/status has no VmRSS\n");
        return 1;
    }
    if (emptied != runs) return 1;
    if (kAddressSanitizer) {
        std::printf("soak: built with AddressSanitizer, memory growth not judged\n");
        return 0;
    }
    return endKb - startKb > maxGrowthKb ? 1 : 0;
}
