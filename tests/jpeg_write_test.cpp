// The JPEG step: quality mapping as seen in the written tables, colour order,
// line order, odd widths, and every way a write can fail without harm.
#include "platform/common/jpeg_write.hpp"

#include "support/jpeg_markers.hpp"
#include "support/temp_folder.hpp"
#include "support/test_pictures.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <numeric>
#include <ostream>
#include <random>
#include <sys/stat.h>
#include <vector>

namespace {

using platform::JpegWriteFile;
using testsupport::DecodeJpeg;
using testsupport::InspectJpeg;
using testsupport::MakeFlatPicture;
using testsupport::MakePicture;
using testsupport::ReadFileBytes;

namespace fs = std::filesystem;

// The IJG example tables (ITU-T T.81 Annex K), natural order.
constexpr std::array<int, 64> kStdLuminance = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kStdChrominance = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
// Natural position of the n-th coefficient in zigzag order.
constexpr std::array<int, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// What jpeg_set_quality(q, FALSE) stores, in the order DQT carries it.
std::array<std::uint16_t, 64> ExpectedTable(const std::array<int, 64>& base, int libjpegQuality) {
    int q = std::clamp(libjpegQuality, 1, 100);
    long scale = q < 50 ? 5000 / q : 200 - 2 * q;
    std::array<std::uint16_t, 64> table{};
    for (std::size_t i = 0; i < 64; ++i) {
        long value = (base[static_cast<std::size_t>(kZigzagToNatural[i])] * scale + 50) / 100;
        table[i] = static_cast<std::uint16_t>(std::clamp(value, 1L, 32767L));
    }
    return table;
}

int PrecisionOf(const std::array<std::uint16_t, 64>& table) {
    return std::any_of(table.begin(), table.end(), [](std::uint16_t v) { return v > 255; }) ? 16 : 8;
}

std::uint32_t Noise(std::int32_t x, std::int32_t y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return (h ^ h >> 15) & 0xFFFFFF;
}

class JpegWriteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp_.Ok()); }
    void TearDown() override { platform::JpegFailNextWriteAfter(-1); }

    std::string Target() const { return temp_.File("new.jpeg"); }
    bool PartLeft() const { return fs::exists(Target() + ".part"); }

    testsupport::TempFolder temp_;
};

// ---- Quality -----------------------------------------------------------------

struct QualityCase {
    std::int32_t quality;
    int libjpegQuality;
    int frameMarker;
};

std::ostream& operator<<(std::ostream& out, const QualityCase& c) { return out << "quality " << c.quality; }

class JpegQualityTest : public JpegWriteTest, public ::testing::WithParamInterface<QualityCase> {};

TEST_P(JpegQualityTest, TablesAndFrameFollowTheMappedQuality) {
    const QualityCase c = GetParam();
    EXPECT_EQ(platform::JpegQuality(c.quality), c.libjpegQuality);
    ASSERT_TRUE(JpegWriteFile(Target(), *MakePicture(24, 16, Noise), c.quality));

    auto info = InspectJpeg(ReadFileBytes(Target()));
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.frameMarker, c.frameMarker);
    EXPECT_EQ(info.width, 24);
    EXPECT_EQ(info.height, 16);
    EXPECT_EQ(info.components, 3);

    const std::array<const std::array<int, 64>*, 2> bases = {&kStdLuminance, &kStdChrominance};
    for (std::size_t t = 0; t < bases.size(); ++t) {
        SCOPED_TRACE(t == 0 ? "luminance" : "chrominance");
        auto expected = ExpectedTable(*bases[t], c.libjpegQuality);
        ASSERT_TRUE(info.tables[t].present);
        EXPECT_EQ(info.tables[t].precisionBits, PrecisionOf(expected));
        EXPECT_EQ(info.tables[t].zigzag, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Qualities, JpegQualityTest,
                         ::testing::Values(QualityCase{7, 70, 0xC0}, QualityCase{10, 100, 0xC0},
                                           QualityCase{12, 100, 0xC0}, QualityCase{3, 30, 0xC0},
                                           QualityCase{9, 90, 0xC0}, QualityCase{2, 20, 0xC1},
                                           QualityCase{1, 10, 0xC1}, QualityCase{0, 0, 0xC1},
                                           QualityCase{-3, 0, 0xC1}));

TEST(JpegQualityMapping, HundredMakesEveryValueOneAndLowQualitiesNeedSixteenBits) {
    auto best = ExpectedTable(kStdLuminance, 100);
    EXPECT_TRUE(std::all_of(best.begin(), best.end(), [](std::uint16_t v) { return v == 1; }));
    // Quality 2 (20): only luminance passes 255; quality 1 (10): both tables.
    EXPECT_EQ(PrecisionOf(ExpectedTable(kStdLuminance, 20)), 16);
    EXPECT_EQ(PrecisionOf(ExpectedTable(kStdChrominance, 20)), 8);
    EXPECT_EQ(PrecisionOf(ExpectedTable(kStdChrominance, 10)), 16);
    EXPECT_EQ(PrecisionOf(ExpectedTable(kStdLuminance, 30)), 8);
}

// ---- Pixels ------------------------------------------------------------------

TEST(ConvertRowToRgb, MatchesPixelByPixelSwapForEveryWidth) {
    std::mt19937 random(7);
    // Below 16 pixels only the portable path runs; above, the wide path and its tail.
    for (std::int32_t width = 0; width <= 70; ++width) {
        SCOPED_TRACE(width);
        std::vector<std::uint8_t> bgrx(static_cast<std::size_t>(width) * 4);
        for (auto& b : bgrx) b = static_cast<std::uint8_t>(random());
        // One guard byte past the line must stay untouched.
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3 + 1, 0xA5);
        platform::ConvertRowToRgb(bgrx.data(), rgb.data(), width);
        for (std::int32_t x = 0; x < width; ++x) {
            ASSERT_EQ(rgb[x * 3 + 0], bgrx[x * 4 + 2]) << "red of " << x;
            ASSERT_EQ(rgb[x * 3 + 1], bgrx[x * 4 + 1]) << "green of " << x;
            ASSERT_EQ(rgb[x * 3 + 2], bgrx[x * 4 + 0]) << "blue of " << x;
        }
        EXPECT_EQ(rgb.back(), 0xA5);
    }
}

TEST_F(JpegWriteTest, PureRedStaysRed) {
    ASSERT_TRUE(JpegWriteFile(Target(), *MakeFlatPicture(32, 24, 0xFF0000), 10));
    auto image = DecodeJpeg(ReadFileBytes(Target()));
    ASSERT_TRUE(image.ok);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.Pixel(x, y);
            ASSERT_GT(p[0], 250) << x << "," << y;
            ASSERT_LT(p[1], 5) << x << "," << y;
            ASSERT_LT(p[2], 5) << x << "," << y;
        }
    }
}

TEST_F(JpegWriteTest, TopLineComesFirst) {
    auto picture = MakePicture(16, 16, [](std::int32_t, std::int32_t y) { return y < 8 ? 0xFFFFFFu : 0u; });
    ASSERT_TRUE(JpegWriteFile(Target(), *picture, 10));
    auto image = DecodeJpeg(ReadFileBytes(Target()));
    ASSERT_TRUE(image.ok);
    EXPECT_GT(image.Pixel(5, 0)[0], 250);
    EXPECT_LT(image.Pixel(5, 15)[0], 5);
}

TEST_F(JpegWriteTest, NarrowPicturesRoundTripPixelForPixel) {
    // Grey levels keep chroma subsampling out of the comparison.
    auto grey = [](std::int32_t x, std::int32_t y) {
        std::uint32_t level = static_cast<std::uint32_t>(20 + 45 * x + 30 * y);
        return level * 0x010101u;
    };
    for (std::int32_t width : {1, 2, 3, 4, 5, 7}) {
        SCOPED_TRACE(width);
        ASSERT_TRUE(JpegWriteFile(Target(), *MakePicture(width, 3, grey), 10));
        auto image = DecodeJpeg(ReadFileBytes(Target()));
        ASSERT_TRUE(image.ok);
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, 3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                int expected = static_cast<int>(grey(x, y) & 0xFF);
                for (int channel = 0; channel < 3; ++channel) {
                    EXPECT_NEAR(image.Pixel(x, y)[channel], expected, 3) << x << "," << y;
                }
            }
        }
    }
}

TEST_F(JpegWriteTest, SecondWriteReplacesTheFirst) {
    ASSERT_TRUE(JpegWriteFile(Target(), *MakeFlatPicture(8, 8, 0x0000FF), 10));
    ASSERT_TRUE(JpegWriteFile(Target(), *MakeFlatPicture(8, 8, 0x00FF00), 10));
    auto image = DecodeJpeg(ReadFileBytes(Target()));
    ASSERT_TRUE(image.ok);
    EXPECT_GT(image.Pixel(3, 3)[1], 250);
    EXPECT_LT(image.Pixel(3, 3)[2], 5);
    EXPECT_FALSE(PartLeft());
}

// ---- Failures ------------------------------------------------------------------

TEST_F(JpegWriteTest, MissingFolderWritesNothing) {
    std::string path = temp_.File("absent/new.jpeg");
    EXPECT_FALSE(JpegWriteFile(path, *MakeFlatPicture(8, 8, 0x808080), 7));
    EXPECT_TRUE(fs::is_empty(temp_.Folder()));
}

TEST_F(JpegWriteTest, ReadOnlyTargetIsLeftAlone) {
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    testsupport::WriteFileBytes(Target(), old);
    ASSERT_EQ(::chmod(Target().c_str(), 0444), 0);
    EXPECT_FALSE(JpegWriteFile(Target(), *MakeFlatPicture(8, 8, 0x808080), 7));
    EXPECT_EQ(ReadFileBytes(Target()), old);
    EXPECT_FALSE(PartLeft());
}

TEST_F(JpegWriteTest, LibjpegErrorLeavesOldFileAndLaterWritesWork) {
    ASSERT_TRUE(JpegWriteFile(Target(), *MakeFlatPicture(16, 16, 0x0000FF), 10));
    const auto old = ReadFileBytes(Target());
    // Noise at quality 100 compresses to far more than the largest offset.
    auto picture = MakePicture(128, 128, Noise);
    for (long offset : {0L, 1L, 100L, 4096L, 5000L}) {
        SCOPED_TRACE(offset);
        platform::JpegFailNextWriteAfter(offset);
        EXPECT_FALSE(JpegWriteFile(Target(), *picture, 10));
        EXPECT_EQ(ReadFileBytes(Target()), old);
        EXPECT_FALSE(PartLeft());
    }
    ASSERT_TRUE(JpegWriteFile(Target(), *picture, 10));
    auto image = DecodeJpeg(ReadFileBytes(Target()));
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(image.width, 128);
}

TEST_F(JpegWriteTest, ErrorOnTheLastByteOfTheFinalFlushStillFails) {
    auto picture = MakeFlatPicture(8, 8, 0x654321);
    ASSERT_TRUE(JpegWriteFile(temp_.File("probe.jpeg"), *picture, 5));
    const long size = static_cast<long>(fs::file_size(temp_.File("probe.jpeg")));
    ASSERT_LT(size, 4096);  // the whole file goes out in the final flush

    ASSERT_TRUE(JpegWriteFile(Target(), *MakeFlatPicture(8, 8, 0x123456), 5));
    const auto old = ReadFileBytes(Target());
    platform::JpegFailNextWriteAfter(size - 1);
    EXPECT_FALSE(JpegWriteFile(Target(), *picture, 5));
    EXPECT_EQ(ReadFileBytes(Target()), old);
    EXPECT_FALSE(PartLeft());
}

struct RefusedSize {
    std::int32_t width;
    std::int32_t height;
};

std::ostream& operator<<(std::ostream& out, const RefusedSize& s) { return out << s.width << "x" << s.height; }

class JpegRefusedSizeTest : public JpegWriteTest, public ::testing::WithParamInterface<RefusedSize> {};

// A leftover ".part" file proves the file was never opened, so libjpeg never ran.
TEST_P(JpegRefusedSizeTest, NeverOpensAFile) {
    const RefusedSize s = GetParam();
    const std::vector<std::uint8_t> marker = {'k', 'e', 'e', 'p'};
    testsupport::WriteFileBytes(Target() + ".part", marker);

    platform::Picture picture;
    picture.width = s.width;
    picture.height = s.height;
    if (s.width > 0 && s.height > 0) {
        picture.pixels = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(s.width) * s.height * 4);
    }
    EXPECT_FALSE(JpegWriteFile(Target(), picture, 7));
    EXPECT_FALSE(fs::exists(Target()));
    EXPECT_EQ(ReadFileBytes(Target() + ".part"), marker);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegRefusedSizeTest,
                         ::testing::Values(RefusedSize{0, 10}, RefusedSize{10, 0}, RefusedSize{-4, 10},
                                           RefusedSize{10, -4}, RefusedSize{65501, 1},
                                           RefusedSize{1, 65501}));

TEST_F(JpegWriteTest, LargestSizeLibjpegTakesIsWritten) {
    ASSERT_TRUE(JpegWriteFile(Target(), *MakeFlatPicture(65500, 1, 0x404040), 3));
    auto info = InspectJpeg(ReadFileBytes(Target()));
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.width, 65500);
    EXPECT_EQ(info.height, 1);
}

// ---- Lines handed on one at a time ------------------------------------------

// The lines of a picture through JpegWriteLines give JpegWriteFile's bytes,
// asked for once each, top first; a source that runs dry at any line fails
// the write and leaves the old file.
TEST_F(JpegWriteTest, LinesOneAtATimeGiveTheSameFileAndAMissingLineWritesNothing) {
    const auto picture = MakePicture(37, 23, Noise);
    ASSERT_TRUE(JpegWriteFile(Target(), *picture, 7));
    const auto expected = ReadFileBytes(Target());
    fs::remove(Target());

    std::vector<std::int32_t> asked;
    ASSERT_TRUE(platform::JpegWriteLines(Target(), 37, 23, 7, [&](std::int32_t y) {
        asked.push_back(y);
        return picture->Row(y);
    }));
    EXPECT_EQ(ReadFileBytes(Target()), expected);
    std::vector<std::int32_t> topFirst(23);
    std::iota(topFirst.begin(), topFirst.end(), 0);
    EXPECT_EQ(asked, topFirst);

    for (const std::int32_t missing : {0, 11, 22}) {
        SCOPED_TRACE(missing);
        EXPECT_FALSE(platform::JpegWriteLines(Target(), 37, 23, 7, [&](std::int32_t y) {
            return y == missing ? nullptr : picture->Row(y);
        }));
        EXPECT_EQ(ReadFileBytes(Target()), expected);
        EXPECT_FALSE(PartLeft());
    }
}

}  // namespace
