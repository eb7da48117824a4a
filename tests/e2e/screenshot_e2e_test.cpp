// Print Screen end to end: the clipboard's picture becomes "new.jpeg" in the
// configured folder, at the configured size and quality, and the clipboard is
// emptied; when the file cannot be written, nothing changes.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "jpeg_file.hpp"
#include "pictarn_fixture.hpp"

namespace e2e {
namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGreen{0, 255, 0};

::testing::AssertionResult Near(const std::array<int, 3>& got, const Rgb& want) {
    constexpr int kTolerance = 40;
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - want[i]) > kTolerance)
            return ::testing::AssertionFailure() << "pixel " << got[0] << "," << got[1] << "," << got[2]
                                                 << " is not near " << want[0] << "," << want[1] << "," << want[2];
    return ::testing::AssertionSuccess();
}

// Checks that the upper half of the picture is `top` and the lower half `bottom`.
void ExpectBands(const RgbImage& image, const Rgb& top, const Rgb& bottom) {
    for (int x : {2, image.width / 2, image.width - 3}) {
        EXPECT_TRUE(Near(image.At(x, 2), top)) << "x " << x << " top";
        EXPECT_TRUE(Near(image.At(x, image.height / 4), top)) << "x " << x;
        EXPECT_TRUE(Near(image.At(x, image.height * 3 / 4), bottom)) << "x " << x;
        EXPECT_TRUE(Near(image.At(x, image.height - 3), bottom)) << "x " << x << " bottom";
    }
}

using ScreenshotTest = PictarnTest;

TEST_F(ScreenshotTest, PrintScreenSavesTheClipboardPictureScaledAndEmptiesTheClipboard) {
    MakeFolder("shots");
    WriteFile("Pictarn.ini", SettingsText(7, 320, 240, WinFolder() + "shots\\"));
    std::string main;
    ASSERT_NO_FATAL_FAILURE(StartReady(main));
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(64, 48, kRed, kBlue));
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());

    std::string jpeg;
    ASSERT_NO_FATAL_FAILURE(WaitScreenshot("shots/new.jpeg", jpeg));
    EXPECT_EQ(Send("clip-count")[0], "0") << "the clipboard is emptied, not only its picture taken";
    EXPECT_FALSE(Exists("new.jpeg")) << "written into the current folder instead of the configured one";

    JpegHeaders headers;
    ASSERT_TRUE(ReadJpegHeaders(jpeg, headers));
    EXPECT_EQ(headers.frameMarker, 0xC0);
    EXPECT_EQ(headers.width, 320);
    EXPECT_EQ(headers.height, 240);
    EXPECT_EQ(headers.components, 3);
    EXPECT_EQ(headers.tables[0], ScaledStandardTable(0, 70));
    EXPECT_EQ(headers.tables[1], ScaledStandardTable(1, 70));

    RgbImage image;
    ASSERT_TRUE(DecodeJpeg(jpeg, image));
    ExpectBands(image, kRed, kBlue);
}

TEST_F(ScreenshotTest, AnotherPrintScreenReplacesTheFileWithTheNewPicture) {
    WriteFile("Pictarn.ini", SettingsText(9, 100, 100, WinFolder()));
    std::string main;
    ASSERT_NO_FATAL_FAILURE(StartReady(main));
    std::string first, second;
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(50, 50, kRed, kBlue));
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    ASSERT_NO_FATAL_FAILURE(WaitScreenshot("new.jpeg", first));

    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(80, 60, kGreen, kRed));
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    ASSERT_NO_FATAL_FAILURE(WaitScreenshot("new.jpeg", second));

    RgbImage image;
    ASSERT_TRUE(DecodeJpeg(second, image));
    EXPECT_EQ(image.width, 100);
    EXPECT_EQ(image.height, 100);
    ExpectBands(image, kGreen, kRed);
}

// The settings file's quality and what libjpeg was asked for.
struct QualityCase {
    int quality;
    int libjpegQuality;
    int frameMarker;  // 16-bit tables need the extended sequential frame
};

class ScreenshotQualityTest : public PictarnTest, public ::testing::WithParamInterface<QualityCase> {};

TEST_P(ScreenshotQualityTest, QuantisationTablesFollowTheConfiguredQuality) {
    const QualityCase& c = GetParam();
    WriteFile("Pictarn.ini", SettingsText(c.quality, 48, 32, WinFolder()));
    std::string main;
    ASSERT_NO_FATAL_FAILURE(StartReady(main));
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(48, 32, kRed, kBlue));
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    std::string jpeg;
    ASSERT_NO_FATAL_FAILURE(WaitScreenshot("new.jpeg", jpeg));

    JpegHeaders headers;
    ASSERT_TRUE(ReadJpegHeaders(jpeg, headers));
    EXPECT_EQ(headers.frameMarker, c.frameMarker);
    for (int table : {0, 1}) {
        const std::vector<int> expected = ScaledStandardTable(table, c.libjpegQuality);
        EXPECT_EQ(headers.tables[static_cast<size_t>(table)], expected) << "table " << table;
        const bool wide = *std::max_element(expected.begin(), expected.end()) > 255;
        EXPECT_EQ(headers.tablePrecision[static_cast<size_t>(table)], wide ? 1 : 0) << "table " << table;
    }
}

INSTANTIATE_TEST_SUITE_P(Qualities, ScreenshotQualityTest,
                         ::testing::Values(QualityCase{10, 100, 0xC0}, QualityCase{3, 30, 0xC0},
                                           QualityCase{1, 10, 0xC1}, QualityCase{12, 100, 0xC0},
                                           QualityCase{-3, 0, 0xC1}),
                         [](const auto& info) {
                             const int q = info.param.quality;
                             return q < 0 ? "Minus" + std::to_string(-q) : "Quality" + std::to_string(q);
                         });

// Ways in which the picture cannot be saved.
struct BlockedCase {
    const char* name;
    const char* folder;  // under the test folder; created before the retry
    bool holdClipboard;  // another program keeps the clipboard open
};

class ScreenshotBlockedTest : public PictarnTest, public ::testing::WithParamInterface<BlockedCase> {};

TEST_P(ScreenshotBlockedTest, NothingIsWrittenAndTheClipboardKeepsItsPictureUntilItCanBeSaved) {
    const BlockedCase& c = GetParam();
    WriteFile("Pictarn.ini", SettingsText(7, 60, 40, WinFolder() + c.folder + "\\"));
    if (c.holdClipboard) MakeFolder(c.folder);
    std::string main;
    ASSERT_NO_FATAL_FAILURE(StartReady(main));
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(60, 40, kRed, kBlue));
    if (c.holdClipboard) ASSERT_OK(Send("clip-hold"));
    const std::set<std::string> before = [&] {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir_)) names.insert(e.path().string());
        return names;
    }();

    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    Pause(1500);  // many passes of the program's loop
    if (c.holdClipboard) ASSERT_OK(Send("clip-release"));
    EXPECT_TRUE(ClipboardHasPicture());
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir_))
        EXPECT_TRUE(before.count(e.path().string()) == 1) << "written: " << e.path();

    // Once the folder exists and the clipboard is free, the next Print Screen saves.
    MakeFolder(c.folder);
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    std::string jpeg;
    ASSERT_NO_FATAL_FAILURE(WaitScreenshot(std::string(c.folder) + "/new.jpeg", jpeg));
    RgbImage image;
    ASSERT_TRUE(DecodeJpeg(jpeg, image));
    EXPECT_EQ(image.width, 60);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScreenshotBlockedTest,
                         ::testing::Values(BlockedCase{"MissingFolder", "missing", false},
                                           BlockedCase{"ClipboardHeldOpen", "shots", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
