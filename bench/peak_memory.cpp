// pictarn_peak_memory WxH...
//
// One screenshot run per size on the simulated desktop, scaled to 1200x1200
// and unscaled, and how far it raised the peak resident memory of the
// process above what it held before the run. The allowance is the held
// picture plus the scaled one plus 1 MiB: the run may never hold a second
// full-size copy (no read-out buffer of the whole picture). Exit status 1
// when a run exceeds it.
#include "bench/screen_picture.hpp"
#include "capture/screenshot.hpp"
#include "platform/platform.hpp"
#include "platform/sim/sim.hpp"
#include "settings/settings.hpp"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr long kKiB = 1024;

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 if missing.
long StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0) return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

// Lets VmHWM start again from the current resident size.
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

struct Run {
    long beforeKiB, peakKiB;
};

Run Screenshot(std::int32_t width, std::int32_t height, std::int32_t toWidth, std::int32_t toHeight,
               const std::string& folder) {
    sim::Reset();
    platform::PlatformStartup();
    settings.quality = 7;
    settings.width = toWidth;
    settings.height = toHeight;
    settings.folder = folder;
    sim::ClipboardSetDib(bench::ScreenDib(width, height));
    ResetPeak();
    const long before = StatusKiB("VmRSS");
    TakeScreenshot();
    const long peak = StatusKiB("VmHWM");
    sim::Reset();
    return {before, peak};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: pictarn_peak_memory WxH...\n", stderr);
        return 2;
    }
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("pictarn-peak-" + std::to_string(getpid()))).string() + "/";
    std::filesystem::create_directories(folder);
    if (!ResetPeak() || StatusKiB("VmHWM") < 0) {
        std::fputs("pictarn_peak_memory: needs /proc/self/clear_refs and VmHWM (Linux)\n", stderr);
        return 2;
    }
    // Loads libjpeg's code and settles the allocator before anything counts.
    Screenshot(64, 48, 32, 24, folder);

    int failures = 0;
    std::printf("%-11s %-11s %10s %10s %12s %12s  %s\n", "source", "written", "held KiB", "scaled KiB",
                "allowed KiB", "rise KiB", "result");
    for (int i = 1; i < argc; ++i) {
        int width = 0, height = 0;
        if (std::sscanf(argv[i], "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0) {
            std::fprintf(stderr, "pictarn_peak_memory: bad size %s\n", argv[i]);
            return 2;
        }
        const long held = static_cast<long>(width) * height * 4 / kKiB;
        const struct {
            int w, h;
        } targets[] = {{1200, 1200}, {width, height}};
        for (const auto& t : targets) {
            const bool scaled = t.w != width || t.h != height;
            const long scaledKiB = scaled ? static_cast<long>(t.w) * t.h * 4 / kKiB : 0;
            const long allowed = held + scaledKiB + kKiB;
            const Run run = Screenshot(width, height, t.w, t.h, folder);
            const long rise = run.peakKiB - run.beforeKiB;
            const bool ok = rise <= allowed;
            failures += ok ? 0 : 1;
            const std::string source = std::to_string(width) + "x" + std::to_string(height);
            const std::string written = std::to_string(t.w) + "x" + std::to_string(t.h);
            std::printf("%-11s %-11s %10ld %10ld %12ld %12ld  %s\n", source.c_str(), written.c_str(), held,
                        scaledKiB, allowed, rise, ok ? "ok" : "OVER");
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return failures == 0 ? 0 : 1;
}
