// Area-average scaling: hand-computed averages, argument limits, and the fast
// version against the reference on many size pairs.
#include "platform/common/image_scale.hpp"
#include "support/test_pictures.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using platform::Picture;
using platform::ScalePicture;
using platform::ScalePictureReference;

using ScaleFunction = std::unique_ptr<Picture> (*)(const Picture&, std::int32_t, std::int32_t);
struct NamedScale {
    const char* name;
    ScaleFunction scale;
};
const NamedScale kScales[] = {{"fast", ScalePicture}, {"reference", ScalePictureReference}};

// Each pixel as a little-endian word: 0x00RRGGBB when the fourth byte is 0.
std::vector<std::uint32_t> Words(const Picture& picture) {
    std::vector<std::uint32_t> words(static_cast<std::size_t>(picture.width) * picture.height);
    std::memcpy(words.data(), picture.pixels.get(), words.size() * 4);
    return words;
}

std::unique_ptr<Picture> FromWords(int width, int height, const std::vector<std::uint32_t>& rgb) {
    return testsupport::MakePicture(width, height, [&](int x, int y) { return rgb[y * width + x]; });
}

// Deterministic noise with the fourth byte set, which the result must clear.
// `setBits` is ORed into every byte, to push sums towards their limit.
std::unique_ptr<Picture> NoisePicture(int width, int height, std::uint32_t seed, std::uint8_t setBits = 0) {
    auto picture = testsupport::MakePicture(width, height, [](int, int) { return 0u; });
    std::uint32_t state = seed;
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
    for (std::size_t i = 0; i < bytes; ++i) {
        state = state * 1664525u + 1013904223u;
        picture->pixels[i] = static_cast<std::uint8_t>((state >> 24) | setBits);
    }
    return picture;
}

// Pixels are 0xRRGGBB; the comments give each channel's weighted sum over
// sw * sh and its rounding.
struct ExactCase {
    const char* name;
    int sourceWidth, sourceHeight;
    std::vector<std::uint32_t> source;
    int width, height;
    std::vector<std::uint32_t> expected;
};

const ExactCase kExactCases[] = {
    // 2x2 blocks of four. Left: blue 102/4 = 25.5 -> 26, green 101/4 -> 25. Right: blue
    // 201/4 -> 50, green 3/4 -> 1, red 10/4 = 2.5 -> 3.
    {"4x2 to 2x1", 4, 2,
     {0xFF0A0A, 0xFF1414, 0x0100C8, 0x020000, 0xFF1E1E, 0xFF292A, 0x030000, 0x040301},
     2, 1, {0xFF191A, 0x030132}},
    // Column 0 is 2a + b, column 1 is b + 2c, over 3.
    // Blue (0, 255, 100): 255/3 -> 85, 455/3 = 151.7 -> 152. Green (10, 11, 0): 31/3 -> 10, 11/3 -> 4.
    {"3x1 to 2x1 with a shared middle pixel", 3, 1, {0x000A00, 0x000BFF, 0x000064},
     2, 1, {0x000A55, 0x000498}},
    {"1x3 to 1x2 along the other axis", 1, 3, {0x000A00, 0x000BFF, 0x000064}, 1, 2, {0x000A55, 0x000498}},
    // Blue 10x + 40y: means 65 and 85. Green only at (3, 3): 255/8 = 31.9 -> 32. Red 4 in column 0: 16/8 = 2.
    {"4x4 to 2x1", 4, 4,
     {0x040000, 0x00000A, 0x000014, 0x00001E, 0x040028, 0x000032, 0x00003C, 0x000046,
      0x040050, 0x00005A, 0x000064, 0x00006E, 0x040078, 0x000082, 0x00008C, 0x00FF96},
     2, 1, {0x020041, 0x002055}},
    {"1x1 to 3x2", 1, 1, {0x123456}, 3, 2, {0x123456, 0x123456, 0x123456, 0x123456, 0x123456, 0x123456}},
    // Middle column is half of each: blue 255/2 = 127.5 -> 128, green 31/2 -> 16, red 150/2 = 75.
    {"2x1 to 3x1", 2, 1, {0x640A00, 0x3215FF}, 3, 1, {0x640A00, 0x4B1080, 0x3215FF}},
    {"1x2 to 1x3", 1, 2, {0x640A00, 0x3215FF}, 1, 3, {0x640A00, 0x4B1080, 0x3215FF}},
};

TEST(ImageScaleTest, AveragesMatchHandComputedValues) {
    for (const ExactCase& c : kExactCases) {
        const auto source = FromWords(c.sourceWidth, c.sourceHeight, c.source);
        for (const NamedScale& s : kScales) {
            SCOPED_TRACE(std::string(c.name) + " " + s.name);
            const auto result = s.scale(*source, c.width, c.height);
            ASSERT_NE(result, nullptr);
            EXPECT_EQ(result->width, c.width);
            EXPECT_EQ(result->height, c.height);
            EXPECT_EQ(Words(*result), c.expected);
        }
    }
}

TEST(ImageScaleTest, EqualSizeKeepsColoursAndClearsTheFourthByte) {
    const auto source = NoisePicture(7, 5, 99);
    std::vector<std::uint32_t> expected = Words(*source);
    for (std::uint32_t& w : expected) w &= 0x00FFFFFF;
    for (const NamedScale& s : kScales) {
        SCOPED_TRACE(s.name);
        const auto result = s.scale(*source, 7, 5);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(Words(*result), expected);
    }
}

TEST(ImageScaleTest, UnusableSizesGiveNoPicture) {
    const auto source = NoisePicture(4, 4, 1);
    const Picture empty;
    const struct {
        int width, height;
    } sizes[] = {{0, 5}, {5, 0}, {-1, 5}, {5, -3}, {0, 0}, {65536, 4097}};
    for (const NamedScale& s : kScales) {
        SCOPED_TRACE(s.name);
        for (const auto& size : sizes) {
            EXPECT_EQ(s.scale(*source, size.width, size.height), nullptr) << size.width << "x" << size.height;
        }
        EXPECT_EQ(s.scale(empty, 3, 3), nullptr);
    }
}

// Coprime, shared-factor, one-axis-up-one-down and degenerate size pairs.
// White 4111 x 4099 to 5 x 3 has sums beyond 32 bits. The second row holds
// the limits of the 16-bit separable version: a screen's ratios with an odd
// width, 127 and 128 source rows per destination row in white (column sums
// at the top of int16, then just past its limit), hundreds of source pixels
// per destination column, and widths that leave partial vectors.
struct SizePair {
    int sw, sh, dw, dh;
    std::uint8_t setBits = 0;
};

const SizePair kSizePairs[] = {
    {97, 61, 40, 33},     {33, 17, 100, 50},  {1920, 1080, 1200, 675}, {1024, 768, 800, 700},
    {1, 1, 5, 7},         {7, 5, 1, 1},       {64, 64, 64, 1},         {13, 1, 1, 13},
    {640, 480, 1200, 10}, {10, 600, 999, 7},  {3, 3, 2, 2},            {2, 2, 3, 3},
    {1000, 3, 7, 999},    {4111, 4099, 5, 3, 0xFF},
    {960, 540, 300, 300}, {963, 540, 300, 169}, {50, 127, 7, 1, 0xFF}, {50, 128, 7, 1, 0xFF},
    {1000, 20, 3, 10, 0xFF}, {101, 60, 13, 30},  {7680, 9, 1200, 2},    {31, 900, 9, 7},
};

std::string Describe(const SizePair& p) {
    return std::to_string(p.sw) + "x" + std::to_string(p.sh) + " to " + std::to_string(p.dw) + "x" +
           std::to_string(p.dh);
}

// Run with and without AVX2: Windows builds always take the SSSE3 code.
TEST(ImageScaleTest, FastVersionMatchesTheReferenceExactly) {
    for (const bool avx2 : {true, false}) {
        platform::ScaleAllowAvx2(avx2);
        std::uint32_t seed = 7;
        for (const SizePair& p : kSizePairs) {
            SCOPED_TRACE(Describe(p) + (avx2 ? " with AVX2" : " without AVX2"));
            const auto source = NoisePicture(p.sw, p.sh, seed++, p.setBits);
            const auto fast = ScalePicture(*source, p.dw, p.dh);
            const auto reference = ScalePictureReference(*source, p.dw, p.dh);
            ASSERT_NE(fast, nullptr);
            ASSERT_NE(reference, nullptr);
            ASSERT_EQ(fast->width, p.dw);
            ASSERT_EQ(fast->height, p.dh);
            EXPECT_TRUE(Words(*fast) == Words(*reference));
        }
    }
    platform::ScaleAllowAvx2(true);
}

// In place, a reduction gives the reference's pixels in the picture's own
// memory; a size that grows on either side leaves the picture untouched.
// 1024 x 768 is large enough to come from the page allocator, whose
// memory past the new size is given back.
TEST(ImageScaleTest, InPlaceReductionMatchesTheReference) {
    const SizePair reductions[] = {
        {1024, 768, 800, 700}, {1920, 1080, 1200, 675}, {1024, 768, 1024, 1}, {97, 61, 40, 33},
        {4111, 3, 5, 3, 0xFF}, {9, 9, 9, 9},
    };
    std::uint32_t seed = 70;
    for (const SizePair& p : reductions) {
        SCOPED_TRACE(Describe(p));
        auto picture = platform::PictureCreate(p.sw, p.sh);
        ASSERT_NE(picture, nullptr);
        const auto noise = NoisePicture(p.sw, p.sh, seed++, p.setBits);
        std::memcpy(picture->pixels.get(), noise->pixels.get(), picture->Stride() * p.sh);
        const auto reference = ScalePictureReference(*picture, p.dw, p.dh);
        const std::uint8_t* memory = picture->pixels.get();
        ASSERT_TRUE(platform::ScalePictureInPlace(*picture, p.dw, p.dh));
        EXPECT_EQ(picture->pixels.get(), memory);
        ASSERT_EQ(picture->width, p.dw);
        ASSERT_EQ(picture->height, p.dh);
        EXPECT_TRUE(Words(*picture) == Words(*reference));
    }

    const SizePair refused[] = {{40, 30, 41, 30}, {40, 30, 40, 31}, {40, 30, 0, 30}, {40, 30, 20, -1}};
    for (const SizePair& p : refused) {
        SCOPED_TRACE(Describe(p));
        auto picture = NoisePicture(p.sw, p.sh, seed++);
        const std::vector<std::uint32_t> before = Words(*picture);
        EXPECT_FALSE(platform::ScalePictureInPlace(*picture, p.dw, p.dh));
        EXPECT_EQ(picture->width, p.sw);
        EXPECT_EQ(picture->height, p.sh);
        EXPECT_TRUE(Words(*picture) == before);
    }
}

// Read a band at a time, a picture scales to the reference's pixels. The
// source copies each asked band into a fresh buffer of exactly that many
// lines (so a row used after the next call, or past its band, would be
// wrong) and checks the promise: `first` never falls, `count` stays within
// ceil(source height / height) + 1. A source that gives up, even at the
// last line, gives no picture.
TEST(ImageScaleTest, BandsOfLinesScaleLikeTheWholePicture) {
    const SizePair pairs[] = {{960, 540, 300, 300}, {97, 61, 40, 33},  {101, 60, 13, 30},
                              {31, 900, 9, 7},      {33, 17, 100, 50}, {50, 127, 7, 1, 0xFF}};
    std::uint32_t seed = 90;
    for (const SizePair& p : pairs) {
        SCOPED_TRACE(Describe(p));
        const auto source = NoisePicture(p.sw, p.sh, seed++, p.setBits);
        std::vector<std::uint8_t> band;
        std::int32_t lastFirst = 0;
        const std::int32_t mostLines = (p.sh + p.dh - 1) / p.dh + 1;
        const auto lines = [&](std::int32_t first, std::int32_t count) -> const std::uint8_t* {
            EXPECT_GE(first, lastFirst);
            EXPECT_LE(count, mostLines);
            lastFirst = first;
            band.assign(source->Row(first), source->Row(first) + source->Stride() * count);
            return band.data();
        };
        const auto scaled = platform::ScaleLines(p.sw, p.sh, lines, p.dw, p.dh);
        const auto reference = ScalePictureReference(*source, p.dw, p.dh);
        ASSERT_NE(scaled, nullptr);
        ASSERT_EQ(scaled->width, p.dw);
        ASSERT_EQ(scaled->height, p.dh);
        EXPECT_TRUE(Words(*scaled) == Words(*reference));

        // Gives up when asked for the last line, which the last row needs.
        const auto givesUp = [&](std::int32_t first, std::int32_t count) -> const std::uint8_t* {
            return first + count >= p.sh ? nullptr : source->Row(first);
        };
        EXPECT_EQ(platform::ScaleLines(p.sw, p.sh, givesUp, p.dw, p.dh), nullptr);
    }
}

}  // namespace
