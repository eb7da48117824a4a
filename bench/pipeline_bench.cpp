// The screenshot pipeline stage by stage and as a whole, on screen-like
// 32-bit pictures of four sizes. Every benchmark reports wall time and
// pixels per second (px/s: source pixels for decoding, scaling and the
// whole run; written pixels for the row conversion and the JPEG step).
#include "bench/screen_picture.hpp"
#include "capture/screenshot.hpp"
#include "platform/common/dib_decode.hpp"
#include "platform/common/image_scale.hpp"
#include "platform/common/jpeg_write.hpp"
#include "platform/platform.hpp"
#include "platform/sim/sim.hpp"
#include "settings/settings.hpp"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::int32_t kQuality = 7;

struct Size {
    std::int32_t width, height;
};

constexpr Size kScreens[] = {{1920, 1080}, {2560, 1440}, {3840, 2160}, {7680, 4320}};
// {0, 0} stands for "written unscaled".
constexpr Size kTargets[] = {{1200, 1200}, {1200, 675}, {0, 0}};

// Generating the largest picture takes a while; each is made once.
const std::vector<std::uint8_t>& Dib(std::int32_t width, std::int32_t height) {
    static std::map<std::pair<std::int32_t, std::int32_t>, std::vector<std::uint8_t>> cache;
    auto& block = cache[{width, height}];
    if (block.empty()) block = bench::ScreenDib(width, height);
    return block;
}

std::unique_ptr<platform::Picture> Decoded(std::int32_t width, std::int32_t height) {
    const auto& block = Dib(width, height);
    return platform::DecodeDib(block.data(), block.size());
}

void CountPixels(benchmark::State& state, std::int64_t pixels) {
    state.counters["px/s"] =
        benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kIsIterationInvariantRate);
}

std::int64_t Pixels(std::int32_t width, std::int32_t height) {
    return static_cast<std::int64_t>(width) * height;
}

// A scratch folder for the JPEG files, removed at exit.
const std::string& ScratchFolder() {
    static const struct Folder {
        std::string path;
        Folder() {
            path = (std::filesystem::temp_directory_path() / ("pictarn-bench-" + std::to_string(getpid()))).string();
            std::filesystem::create_directories(path);
            path += "/";
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    return folder.path;
}

void BM_DecodeDib(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const auto& block = Dib(width, height);
    for (auto _ : state) {
        auto picture = platform::DecodeDib(block.data(), block.size());
        benchmark::DoNotOptimize(picture.get());
    }
    CountPixels(state, Pixels(width, height));
}

void BM_ScalePicture(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const auto source = Decoded(width, height);
    for (auto _ : state) {
        auto scaled = platform::ScalePicture(*source, static_cast<std::int32_t>(state.range(2)),
                                             static_cast<std::int32_t>(state.range(3)));
        benchmark::DoNotOptimize(scaled.get());
    }
    CountPixels(state, Pixels(width, height));
}

void BM_ConvertRowToRgb(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const auto picture = Decoded(width, height);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (auto _ : state) {
        for (std::int32_t y = 0; y < height; ++y) {
            platform::ConvertRowToRgb(picture->Row(y), row.data(), width);
            benchmark::ClobberMemory();
        }
    }
    CountPixels(state, Pixels(width, height));
}

std::unique_ptr<platform::Picture> Target(const platform::Picture& source, const benchmark::State& state) {
    if (state.range(2) == 0) return platform::ScalePicture(source, source.width, source.height);
    return platform::ScalePicture(source, static_cast<std::int32_t>(state.range(2)),
                                  static_cast<std::int32_t>(state.range(3)));
}

void BM_JpegWriteFile(benchmark::State& state) {
    const auto picture = Target(*Decoded(static_cast<std::int32_t>(state.range(0)),
                                         static_cast<std::int32_t>(state.range(1))),
                                state);
    const std::string path = ScratchFolder() + "stage.jpeg";
    for (auto _ : state) {
        if (!platform::JpegWriteFile(path, *picture, kQuality)) state.SkipWithError("JpegWriteFile failed");
    }
    CountPixels(state, Pixels(picture->width, picture->height));
}

// The whole run on the simulated desktop, as Print Screen starts it: the
// clipboard block is put back before every run (not timed), since a
// successful run empties the clipboard.
void BM_TakeScreenshot(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const auto& block = Dib(width, height);
    sim::Reset();
    platform::PlatformStartup();
    settings.quality = kQuality;
    settings.width = state.range(2) == 0 ? width : static_cast<std::int32_t>(state.range(2));
    settings.height = state.range(3) == 0 ? height : static_cast<std::int32_t>(state.range(3));
    settings.folder = ScratchFolder();
    for (auto _ : state) {
        state.PauseTiming();
        sim::ClipboardSetDib(block);
        state.ResumeTiming();
        TakeScreenshot();
        if (sim::ClipboardHasDib()) state.SkipWithError("the run did not write its file");
    }
    CountPixels(state, Pixels(width, height));
    sim::Reset();
}

// The same run without its last step: the clipboard keeps its picture, so
// nothing has to be put back, and the simulated desktop's release of its
// copy of the block (tens of thousands of pages at 7680x4320, the desktop's
// cost rather than the program's) stays out of the time.
void BM_CaptureScaleSave(benchmark::State& state) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    sim::Reset();
    platform::PlatformStartup();
    sim::ClipboardSetDib(Dib(width, height));
    const std::int32_t toWidth = state.range(2) == 0 ? width : static_cast<std::int32_t>(state.range(2));
    const std::int32_t toHeight = state.range(3) == 0 ? height : static_cast<std::int32_t>(state.range(3));
    const std::string path = ScratchFolder() + "new.jpeg";
    for (auto _ : state) {
        platform::ClipboardGetImage(platform::IMAGE_SCREENSHOT);
        platform::ImageResize(platform::IMAGE_SCREENSHOT, toWidth, toHeight);
        if (!platform::ImageSaveJpeg(platform::IMAGE_SCREENSHOT, path, kQuality)) {
            state.SkipWithError("ImageSaveJpeg failed");
        }
    }
    CountPixels(state, Pixels(width, height));
    sim::Reset();
}

void ScreenArgs(benchmark::internal::Benchmark* b) {
    for (const Size& s : kScreens) b->Args({s.width, s.height});
}

void ScaleArgs(benchmark::internal::Benchmark* b) {
    for (const Size& s : kScreens) {
        for (const Size& t : kTargets) {
            if (t.width != 0) b->Args({s.width, s.height, t.width, t.height});
        }
    }
}

void RunArgs(benchmark::internal::Benchmark* b) {
    for (const Size& s : kScreens) {
        for (const Size& t : kTargets) b->Args({s.width, s.height, t.width, t.height});
    }
}

}  // namespace

BENCHMARK(BM_DecodeDib)->Apply(ScreenArgs)->ArgNames({"w", "h"})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScalePicture)
    ->Apply(ScaleArgs)
    ->ArgNames({"w", "h", "to_w", "to_h"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertRowToRgb)
    ->Apply(ScreenArgs)
    ->ArgNames({"w", "h"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegWriteFile)
    ->Apply(RunArgs)
    ->ArgNames({"w", "h", "to_w", "to_h"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TakeScreenshot)
    ->Apply(RunArgs)
    ->ArgNames({"w", "h", "to_w", "to_h"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_CaptureScaleSave)
    ->Apply(RunArgs)
    ->ArgNames({"w", "h", "to_w", "to_h"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
