// The screenshot run driven by Print Screen on the simulated desktop:
// clipboard picture -> scaled -> folder + "new.jpeg" -> clipboard emptied.
#include "app/app_loop.hpp"
#include "platform/common/jpeg_write.hpp"
#include "settings/settings.hpp"
#include "support/dib_builder.hpp"
#include "support/jpeg_markers.hpp"
#include "support/sim_app.hpp"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace platform;
using testsupport::BuildDib;
using testsupport::DibFormat;
using testsupport::ReadFileBytes;
using testsupport::SimAppTest;

namespace {

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlue = 0x0000FF;

// Top half red, bottom half blue.
std::vector<std::uint8_t> RedOverBlue(int width, int height, DibFormat format = {}) {
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) rgb[static_cast<std::size_t>(y) * width + x] = y < height / 2 ? kRed : kBlue;
    }
    return BuildDib(rgb, width, height, format);
}

class ScreenshotTest : public SimAppTest {
protected:
    void StartWith(int quality, int width, int height, const std::string& folder) {
        WriteIni(std::to_string(quality) + "\r\n" + std::to_string(width) + "\r\n" + std::to_string(height) +
                 "\r\n" + folder + "\r\n");
        WriteIcon();
        Start();
    }
    // One press of Print Screen, seen in the next pass.
    void PressPrintScreen() {
        sim::KeyTap(KEY_PRINT_SCREEN);
        ASSERT_FALSE(Pass().has_value());
    }
    testsupport::DecodedJpeg Output(const std::string& path) { return testsupport::DecodeJpeg(ReadFileBytes(path)); }
    std::string Shots() { return Dir() + "shots/"; }
};

TEST_F(ScreenshotTest, WritesTheScaledPictureAndEmptiesTheClipboard) {
    std::filesystem::create_directory(Shots());
    StartWith(7, 40, 30, Shots());
    sim::ClipboardSetDib(RedOverBlue(64, 48));
    PressPrintScreen();

    const auto jpeg = Output(Shots() + "new.jpeg");
    ASSERT_TRUE(jpeg.ok);
    EXPECT_EQ(jpeg.width, 40);
    EXPECT_EQ(jpeg.height, 30);
    // Red on top, blue below: colours in order and not upside down.
    EXPECT_GT(jpeg.Pixel(20, 2)[0], 240);
    EXPECT_LT(jpeg.Pixel(20, 2)[2], 16);
    EXPECT_GT(jpeg.Pixel(20, 27)[2], 240);
    EXPECT_LT(jpeg.Pixel(20, 27)[0], 16);
    const auto markers = testsupport::InspectJpeg(ReadFileBytes(Shots() + "new.jpeg"));
    EXPECT_EQ(markers.frameMarker, 0xC0);
    EXPECT_FALSE(sim::ClipboardHasDib());
    EXPECT_EQ(sim::ClipboardEmptyCount(), 1);
}

TEST_F(ScreenshotTest, AMissingFolderWritesNothingAndKeepsTheClipboardUntilItExists) {
    StartWith(7, 40, 30, Shots());
    sim::ClipboardSetDib(RedOverBlue(64, 48));
    PressPrintScreen();
    EXPECT_FALSE(std::filesystem::exists(Shots()));
    EXPECT_TRUE(sim::ClipboardHasDib());
    EXPECT_EQ(sim::ClipboardEmptyCount(), 0);
    // The next press tries again.
    std::filesystem::create_directory(Shots());
    PressPrintScreen();
    EXPECT_TRUE(Output(Shots() + "new.jpeg").ok);
    EXPECT_FALSE(sim::ClipboardHasDib());
}

TEST_F(ScreenshotTest, AReadOnlyFileIsLeftAsItIs) {
    StartWith(7, 40, 30, Dir());
    WriteFile("new.jpeg", "old picture");
    ASSERT_EQ(::chmod((Dir() + "new.jpeg").c_str(), 0444), 0);
    sim::ClipboardSetDib(RedOverBlue(64, 48));
    PressPrintScreen();
    EXPECT_EQ(ReadFile("new.jpeg"), "old picture");
    EXPECT_TRUE(sim::ClipboardHasDib());
}

TEST_F(ScreenshotTest, NothingOnTheClipboardAtFirstMeansNothingWritten) {
    const std::pair<const char*, void (*)()> cases[] = {
        {"empty clipboard", [] {}},
        {"text only", [] { sim::ClipboardSetText("hello"); }},
        {"held by another program", [] {
             sim::ClipboardSetDib(RedOverBlue(8, 8));
             sim::ClipboardSetHeldByOther(true);
         }},
        {"RLE picture", [] {
             auto block = RedOverBlue(8, 8, DibFormat{.bitCount = 8});
             testsupport::DibPutU32(block, testsupport::kDibCompressionOffset, testsupport::kBiRle8);
             sim::ClipboardSetDib(block);
         }},
        {"truncated picture", [] {
             auto block = RedOverBlue(8, 8);
             block.pop_back();
             sim::ClipboardSetDib(block);
         }},
    };
    for (const auto& [what, prepare] : cases) {
        SCOPED_TRACE(what);
        sim::Reset();
        StartWith(7, 40, 30, Dir());
        prepare();
        PressPrintScreen();
        EXPECT_FALSE(FileExists("new.jpeg"));
        EXPECT_EQ(sim::ClipboardEmptyCount(), 0);
    }
}

TEST_F(ScreenshotTest, AClipboardHeldByAnotherProgramDelaysOnlyThatPress) {
    StartWith(7, 40, 30, Dir());
    sim::ClipboardSetDib(RedOverBlue(64, 48));
    sim::ClipboardSetHeldByOther(true);
    PressPrintScreen();
    EXPECT_FALSE(FileExists("new.jpeg"));
    sim::ClipboardSetHeldByOther(false);
    PressPrintScreen();
    EXPECT_TRUE(Output(Dir() + "new.jpeg").ok);
    EXPECT_FALSE(sim::ClipboardHasDib());
}

TEST_F(ScreenshotTest, WithoutANewPictureTheHeldOneIsWrittenAgainAtTheCurrentSize) {
    StartWith(7, 40, 30, Dir());
    sim::ClipboardSetDib(RedOverBlue(64, 48));
    PressPrintScreen();
    ASSERT_EQ(Output(Dir() + "new.jpeg").width, 40);
    std::filesystem::remove(Dir() + "new.jpeg");
    settings.width = 20;
    settings.height = 50;
    PressPrintScreen();  // the clipboard is empty now
    const auto again = Output(Dir() + "new.jpeg");
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.width, 20);
    EXPECT_EQ(again.height, 50);
    EXPECT_EQ(sim::ClipboardEmptyCount(), 2);
}

TEST_F(ScreenshotTest, TwoPressesLeaveOnlyTheSecondPicture) {
    StartWith(7, 16, 16, Dir());
    sim::ClipboardSetDib(RedOverBlue(16, 16));
    PressPrintScreen();
    std::vector<std::uint32_t> green(16 * 16, 0x00FF00);
    sim::ClipboardSetDib(BuildDib(green, 16, 16, {}));
    PressPrintScreen();
    const auto jpeg = Output(Dir() + "new.jpeg");
    ASSERT_TRUE(jpeg.ok);
    EXPECT_GT(jpeg.Pixel(8, 1)[1], 240);
    EXPECT_LT(jpeg.Pixel(8, 1)[0], 16);
}

TEST_F(ScreenshotTest, SizesOfZeroOrLessKeepTheClipboardSize) {
    const std::pair<int, int> cases[] = {{0, 0}, {0, 30}, {40, -5}, {-1, -1}};
    for (const auto& [width, height] : cases) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        sim::Reset();
        std::filesystem::remove(Dir() + "new.jpeg");
        StartWith(7, width, height, Dir());
        sim::ClipboardSetDib(RedOverBlue(64, 48));
        PressPrintScreen();
        const auto jpeg = Output(Dir() + "new.jpeg");
        ASSERT_TRUE(jpeg.ok);
        EXPECT_EQ(jpeg.width, 64);
        EXPECT_EQ(jpeg.height, 48);
    }
}

TEST_F(ScreenshotTest, NoSettingsFileWritesNewJpegInTheCurrentFolderAtQualityZero) {
    WriteIcon();
    Start();  // the message box is confirmed by default
    sim::ClipboardSetDib(RedOverBlue(64, 48));
    PressPrintScreen();
    const auto bytes = ReadFileBytes(Dir() + "new.jpeg");
    const auto markers = testsupport::InspectJpeg(bytes);
    ASSERT_TRUE(markers.valid);
    EXPECT_EQ(markers.width, 64);
    EXPECT_EQ(markers.frameMarker, 0xC1);  // quality 0 needs 16-bit tables
}

TEST_F(ScreenshotTest, AFolderWithoutItsBackslashRunsIntoTheFileName) {
    StartWith(7, 16, 16, Dir() + "shots");
    sim::ClipboardSetDib(RedOverBlue(16, 16));
    PressPrintScreen();
    EXPECT_TRUE(FileExists("shotsnew.jpeg"));
}

TEST_F(ScreenshotTest, ALibjpegErrorKeepsThePreviousFileAndTheProgramRunning) {
    StartWith(7, 40, 30, Dir());
    sim::ClipboardSetDib(RedOverBlue(64, 48));
    PressPrintScreen();
    const auto before = ReadFileBytes(Dir() + "new.jpeg");
    ASSERT_FALSE(before.empty());

    std::vector<std::uint32_t> green(64 * 48, 0x00FF00);
    sim::ClipboardSetDib(BuildDib(green, 64, 48, {}));
    JpegFailNextWriteAfter(100);
    PressPrintScreen();
    EXPECT_EQ(ReadFileBytes(Dir() + "new.jpeg"), before);
    EXPECT_TRUE(sim::ClipboardHasDib());
    EXPECT_FALSE(std::filesystem::exists(Dir() + "new.jpeg.part"));

    PressPrintScreen();
    const auto jpeg = Output(Dir() + "new.jpeg");
    ASSERT_TRUE(jpeg.ok);
    EXPECT_GT(jpeg.Pixel(8, 1)[1], 240);
    EXPECT_FALSE(sim::ClipboardHasDib());
}

TEST_F(ScreenshotTest, WithoutAMainWindowScreenshotsAreStillSaved) {
    WriteIni("7\r\n16\r\n16\r\n\r\n");
    WriteIcon();
    sim::FailNextWindowOpen();
    Start();
    EXPECT_TRUE(sim::TrayIcons().empty());
    sim::ClipboardSetDib(RedOverBlue(32, 32));
    PressPrintScreen();
    EXPECT_TRUE(Output(Dir() + "new.jpeg").ok);
}

TEST_F(ScreenshotTest, PalettedAndBitfieldPicturesArriveWithTheirColours) {
    const DibFormat formats[] = {
        {.bitCount = 1}, {.bitCount = 4}, {.bitCount = 8}, {.bitCount = 16},
        {.bitCount = 16, .bitfields = true}, {.bitCount = 24}, {.bitCount = 32, .headerSize = 124, .topDown = true},
    };
    for (const DibFormat& format : formats) {
        SCOPED_TRACE(format.bitCount);
        sim::Reset();
        std::filesystem::remove(Dir() + "new.jpeg");
        StartWith(10, 16, 16, Dir());
        sim::ClipboardSetDib(RedOverBlue(16, 16, format));
        PressPrintScreen();
        const auto jpeg = Output(Dir() + "new.jpeg");
        ASSERT_TRUE(jpeg.ok);
        EXPECT_GT(jpeg.Pixel(8, 2)[0], 240);
        EXPECT_GT(jpeg.Pixel(8, 13)[2], 240);
    }
}

}  // namespace
