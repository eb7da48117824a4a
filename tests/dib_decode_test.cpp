// Clipboard CF_DIB decoding: every supported layout against known pixels,
// malformed blocks refused, and mutated blocks never read out of bounds.
#include "platform/common/dib_decode.hpp"
#include "support/dib_builder.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::DecodeDib;
using platform::Picture;
using testsupport::BuildDib;
using testsupport::DibFormat;
using testsupport::DibGetU32;
using testsupport::DibPutU16;
using testsupport::DibPutU32;

// Each pixel as a little-endian word: 0x00RRGGBB when the fourth byte is 0.
std::vector<std::uint32_t> Words(const Picture& picture) {
    std::vector<std::uint32_t> words(static_cast<std::size_t>(picture.width) * picture.height);
    std::memcpy(words.data(), picture.pixels.get(), words.size() * 4);
    return words;
}

std::unique_ptr<Picture> Decode(const std::vector<std::uint8_t>& block) {
    return DecodeDib(block.data(), block.size());
}

// A picture whose rows and columns all differ, drawn from `palette`.
std::vector<std::uint32_t> Pattern(int width, int height, const std::vector<std::uint32_t>& palette) {
    std::vector<std::uint32_t> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) rgb.push_back(palette[(x * 5 + y * 3 + x * y) % palette.size()]);
    }
    return rgb;
}

const std::vector<std::uint32_t> kTwoColours = {0x000000, 0xFFFFFF};
const std::vector<std::uint32_t> kSixteenColours = {
    0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xABCDEF, 0x7F7F7F, 0x010203,
    0xFEDCBA, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0x808080, 0x0A0B0C, 0xC0FFEE, 0xFFFFFF};
// Exact in every 16-bit layout: channels 0 or 255 only.
const std::vector<std::uint32_t> kCorners = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                             0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF};
std::vector<std::uint32_t> ManyColours() {
    std::vector<std::uint32_t> colours;
    for (std::uint32_t i = 0; i < 40; ++i) colours.push_back((i * 0x9E3779B9u) >> 8);
    return colours;
}

struct RoundTripCase {
    std::string name;
    DibFormat format;
    std::vector<std::uint32_t> colours;
};

std::vector<RoundTripCase> RoundTripCases() {
    std::vector<RoundTripCase> cases;
    const std::uint32_t headers[] = {40, 108, 124};
    for (std::uint32_t header : headers) {
        for (bool topDown : {false, true}) {
            const std::string suffix = "_h" + std::to_string(header) + (topDown ? "_topdown" : "_bottomup");
            auto add = [&](const std::string& name, int bits, bool bitfields,
                           const std::vector<std::uint32_t>& colours) {
                DibFormat f;
                f.bitCount = bits;
                f.bitfields = bitfields;
                f.headerSize = header;
                f.topDown = topDown;
                cases.push_back({name + suffix, f, colours});
            };
            add("pal1", 1, false, kTwoColours);
            add("pal4", 4, false, kSixteenColours);
            add("pal8", 8, false, ManyColours());
            add("rgb555", 16, false, kCorners);
            add("bitfields565", 16, true, kCorners);
            add("rgb24", 24, false, ManyColours());
            add("rgb32", 32, false, ManyColours());
            add("bitfields32", 32, true, ManyColours());
        }
    }
    DibFormat shortTable;
    shortTable.bitCount = 8;
    shortTable.colorsUsed = 3;
    cases.push_back({"pal8_three_entry_table", shortTable, {0x112233, 0x445566, 0x778899}});
    DibFormat bgrMasks;
    bgrMasks.bitCount = 32;
    bgrMasks.bitfields = true;
    bgrMasks.redMask = 0x000000FF;
    bgrMasks.greenMask = 0x0000FF00;
    bgrMasks.blueMask = 0x00FF0000;
    cases.push_back({"bitfields32_red_low", bgrMasks, ManyColours()});
    return cases;
}

// Widths 1, 3, 5, 9 and 33 exercise every amount of row padding and the
// partial bytes of 1- and 4-bit rows.
TEST(DibDecodeTest, EveryLayoutGivesThePixelsItWasBuiltFrom) {
    for (const RoundTripCase& c : RoundTripCases()) {
        for (int width : {1, 3, 5, 9, 33}) {
            const int height = 3;
            SCOPED_TRACE(c.name + " width " + std::to_string(width));
            const auto rgb = Pattern(width, height, c.colours);
            const auto block = BuildDib(rgb, width, height, c.format);
            ASSERT_FALSE(block.empty());
            const auto picture = Decode(block);
            ASSERT_NE(picture, nullptr);
            EXPECT_EQ(picture->width, width);
            EXPECT_EQ(picture->height, height);
            EXPECT_EQ(Words(*picture), rgb);
        }
    }
}

// Channel expansion: (v * 255 + max / 2) / max, worked out by hand.
TEST(DibDecodeTest, MaskedChannelsExpandRounded) {
    struct Case {
        const char* name;
        int bits;
        bool bitfields;
        std::uint32_t red, green, blue;
        std::uint32_t raw;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"555 white", 16, false, 0, 0, 0, 0x7FFF, 0xFFFFFF},
        {"555 16s", 16, false, 0, 0, 0, 0x4210, 0x848484},  // 16 -> 4095/31 = 132
        {"555 blue 1", 16, false, 0, 0, 0, 0x0001, 0x000008},  // 270/31 = 8
        {"555 top bit unused", 16, false, 0, 0, 0, 0x8000, 0x000000},
        {"565 red", 16, true, 0xF800, 0x07E0, 0x001F, 0xF800, 0xFF0000},
        {"565 green 1", 16, true, 0xF800, 0x07E0, 0x001F, 0x0020, 0x000400},  // 286/63 = 4
        {"565 green 32", 16, true, 0xF800, 0x07E0, 0x001F, 0x0400, 0x008200},  // 8191/63 = 130
        {"444", 16, true, 0x0F00, 0x00F0, 0x000F, 0x0F71, 0xFF7711},  // 7 -> 119, 1 -> 17
        {"32 red low byte", 32, true, 0x000000FF, 0x0000FF00, 0x00FF0000, 0x00332211, 0x112233},
        {"32 high bytes", 32, true, 0xFF000000, 0x00FF0000, 0x0000FF00, 0xAABBCC00, 0xAABBCC},
        {"10-10-10", 32, true, 0x3FF00000, 0x000FFC00, 0x000003FF, 0x3FF80001, 0xFF8000},  // 512 -> 128
        {"32 wide red", 32, true, 0xFFFFF000, 0x00000F00, 0x000000FF, 0x80000F01, 0x80FF01},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DibFormat format;
        format.bitCount = c.bits;
        format.bitfields = c.bitfields;
        format.redMask = c.red;
        format.greenMask = c.green;
        format.blueMask = c.blue;
        auto block = BuildDib({0}, 1, 1, format);
        ASSERT_FALSE(block.empty());
        DibPutU32(block, block.size() - 4, c.raw);  // the one row is the last 4 bytes
        const auto picture = Decode(block);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(Words(*picture), std::vector<std::uint32_t>{c.expected});
    }
}

TEST(DibDecodeTest, FourthByteOfThirtyTwoBitPixelsBecomesZero) {
    const std::vector<std::uint32_t> rgb = {0x123456, 0xABCDEF, 0x000000, 0xFFFFFF};
    auto block = BuildDib(rgb, 2, 2, DibFormat{});
    ASSERT_FALSE(block.empty());
    for (std::size_t i = 40 + 3; i < block.size(); i += 4) block[i] = 0xA5;
    const auto picture = Decode(block);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(Words(*picture), rgb);
}

TEST(DibDecodeTest, PaletteIndexPastTheTableIsBlack) {
    DibFormat format;
    format.bitCount = 8;
    format.colorsUsed = 2;
    auto block = BuildDib({0x112233, 0x445566, 0x112233}, 3, 1, format);
    ASSERT_FALSE(block.empty());
    const std::size_t pixels = 40 + 2 * 4;
    block[pixels + 1] = 2;
    block[pixels + 2] = 255;
    const auto picture = Decode(block);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(Words(*picture), (std::vector<std::uint32_t>{0x112233, 0x000000, 0x000000}));

    format.bitCount = 1;
    format.colorsUsed = 1;
    block = BuildDib({0xFFFFFF}, 1, 1, format);
    ASSERT_FALSE(block.empty());
    block[40 + 4] = 0x80;  // index 1, the table has one entry
    const auto onebit = Decode(block);
    ASSERT_NE(onebit, nullptr);
    EXPECT_EQ(Words(*onebit), std::vector<std::uint32_t>{0x000000});
}

// Layout details that must not change the pixels.
TEST(DibDecodeTest, ExtrasAroundThePixelsAreSkipped) {
    const std::vector<std::uint32_t> rgb = Pattern(3, 2, ManyColours());
    struct Case {
        const char* name;
        DibFormat format;
        std::function<void(std::vector<std::uint8_t>&)> change;
    };
    DibFormat rgb24;
    rgb24.bitCount = 24;
    DibFormat bitfields16;
    bitfields16.bitCount = 16;
    bitfields16.bitfields = true;
    DibFormat v5;
    v5.headerSize = 124;
    // A colour table at 16 to 32 bits follows the masks and precedes the pixels.
    auto insertTable = [](std::size_t at, std::uint32_t entries) {
        return [at, entries](std::vector<std::uint8_t>& block) {
            block.insert(block.begin() + at, entries * 4, 0xEE);
            DibPutU32(block, testsupport::kDibColorsUsedOffset, entries);
        };
    };
    const std::vector<std::uint32_t> corners = Pattern(3, 2, kCorners);
    const Case cases[] = {
        {"size image 0", rgb24, [](auto& b) { DibPutU32(b, testsupport::kDibSizeImageOffset, 0); }},
        {"profile after pixels", v5, [](auto& b) { b.insert(b.end(), 300, 0x5A); }},
        {"24-bit with table", rgb24, insertTable(40, 5)},
        {"16-bit bitfields with table", bitfields16, insertTable(52, 3)},
        {"32-bit V5 with table", v5, insertTable(124, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto& source = c.format.bitCount == 16 ? corners : rgb;
        auto block = BuildDib(source, 3, 2, c.format);
        ASSERT_FALSE(block.empty());
        c.change(block);
        const auto picture = Decode(block);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(Words(*picture), source);
    }
}

TEST(DibDecodeTest, MalformedBlocksAreRefused) {
    using Change = std::function<void(std::vector<std::uint8_t>&)>;
    auto u32 = [](std::size_t offset, std::uint32_t value) -> Change {
        return [=](std::vector<std::uint8_t>& b) { DibPutU32(b, offset, value); };
    };
    auto u16 = [](std::size_t offset, std::uint16_t value) -> Change {
        return [=](std::vector<std::uint8_t>& b) { DibPutU16(b, offset, value); };
    };
    auto size = [](std::size_t bytes) -> Change {
        return [=](std::vector<std::uint8_t>& b) { b.resize(bytes); };
    };
    auto both = [](Change a, Change b) -> Change {
        return [=](std::vector<std::uint8_t>& block) { a(block); b(block); };
    };
    using namespace testsupport;

    DibFormat rgb24;
    rgb24.bitCount = 24;
    DibFormat pal8;
    pal8.bitCount = 8;
    DibFormat fields32;
    fields32.bitfields = true;
    DibFormat fields16;
    fields16.bitCount = 16;
    fields16.bitfields = true;
    DibFormat v4fields;
    v4fields.bitfields = true;
    v4fields.headerSize = 108;

    struct Case {
        const char* name;
        DibFormat format;
        Change change;
    };
    const Case cases[] = {
        {"empty", rgb24, size(0)},
        {"header cut at 3 bytes", rgb24, size(3)},
        {"header cut at 39 bytes", rgb24, size(39)},
        {"V4 header cut at 100 bytes", v4fields, size(100)},
        {"pixels one byte short", rgb24, [](auto& b) { b.pop_back(); }},
        {"palette pixels one byte short", pal8, [](auto& b) { b.pop_back(); }},
        {"colour table past the end", pal8, size(40 + 512)},
        {"masks past the end", fields32, size(48)},
        {"colours used huge", rgb24, u32(kDibColorsUsedOffset, 0xFFFFFFFF)},
        {"colours used huge at 8 bits", pal8, u32(kDibColorsUsedOffset, 0x40000000)},
        {"width 0", rgb24, u32(kDibWidthOffset, 0)},
        {"width negative", rgb24, u32(kDibWidthOffset, 0xFFFFFFFD)},
        {"height 0", rgb24, u32(kDibHeightOffset, 0)},
        {"height INT32_MIN", rgb24, u32(kDibHeightOffset, 0x80000000)},
        {"bit count 0", rgb24, u16(kDibBitCountOffset, 0)},
        {"bit count 2", pal8, u16(kDibBitCountOffset, 2)},
        {"bit count 64", rgb24, u16(kDibBitCountOffset, 64)},
        {"RLE8", pal8, u32(kDibCompressionOffset, kBiRle8)},
        {"RLE4", pal8, both(u16(kDibBitCountOffset, 4), u32(kDibCompressionOffset, kBiRle4))},
        {"JPEG", rgb24, u32(kDibCompressionOffset, kBiJpeg)},
        {"PNG", rgb24, u32(kDibCompressionOffset, kBiPng)},
        {"alpha bitfields", fields32, u32(kDibCompressionOffset, 6)},
        {"bitfields at 24 bits", fields32, u16(kDibBitCountOffset, 24)},
        {"bitfields at 8 bits", pal8, u32(kDibCompressionOffset, kBiBitfields)},
        {"planes 0", rgb24, u16(kDibPlanesOffset, 0)},
        {"planes 2", rgb24, u16(kDibPlanesOffset, 2)},
        {"header size 12", rgb24, u32(kDibSizeOffset, 12)},
        {"header size 64", rgb24, u32(kDibSizeOffset, 64)},
        {"header size 200", rgb24, u32(kDibSizeOffset, 200)},
        {"65536 x 65536", rgb24, both(u32(kDibWidthOffset, 65536), u32(kDibHeightOffset, 65536))},
        {"width INT32_MAX", rgb24, u32(kDibWidthOffset, 0x7FFFFFFF)},
        {"2^28 pixels without data", rgb24, both(u32(kDibWidthOffset, 16384), u32(kDibHeightOffset, 16384))},
        {"top-down 2^28 pixels", fields32,
         both(u32(kDibWidthOffset, 16384), u32(kDibHeightOffset, 0xFFFFC000))},
        {"red mask zero", fields32, u32(kDibMasksOffset, 0)},
        {"blue mask zero", fields16, u32(kDibMasksOffset + 8, 0)},
        {"V4 green mask zero", v4fields, u32(kDibMasksOffset + 4, 0)},
        {"mask with a gap", fields16, u32(kDibMasksOffset, 0xF00F)},
        {"16-bit mask past 16 bits", fields16, u32(kDibMasksOffset, 0x1F0000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto block = BuildDib(Pattern(3, 2, kSixteenColours), 3, 2, c.format);
        ASSERT_FALSE(block.empty());
        ASSERT_NE(Decode(block), nullptr) << "the undamaged block must decode";
        c.change(block);
        EXPECT_EQ(Decode(block), nullptr);
    }
    EXPECT_EQ(DecodeDib(nullptr, 1000), nullptr);
}

// Mutated blocks (fixed seed): the decoder must refuse them or give a picture
// of exactly the size its header states. Out-of-bounds reads show up under
// the address sanitizer; each block is its own exactly-sized allocation.
TEST(DibDecodeTest, MutatedBlocksAreRefusedOrKeepTheHeaderSize) {
    std::vector<std::vector<std::uint8_t>> bases;
    for (const RoundTripCase& c : RoundTripCases()) {
        bases.push_back(BuildDib(Pattern(5, 3, c.colours), 5, 3, c.format));
    }

    const std::uint32_t interesting[] = {0, 1, 2, 3, 4, 8, 16, 24, 32, 40, 108, 124, 255, 256, 0x7FFF, 0xFFFF,
                                         0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE};
    std::mt19937 random(20240611);
    int decoded = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::uint8_t> block = bases[random() % bases.size()];
        const int changes = 1 + static_cast<int>(random() % 3);
        for (int k = 0; k < changes; ++k) {
            switch (random() % 4) {
            case 0:  // a header field set to an edge value
                DibPutU32(block, (random() % 10) * 4, interesting[random() % std::size(interesting)]);
                break;
            case 1:  // a random byte in the first 64
                block[random() % std::min<std::size_t>(64, block.size())] =
                    static_cast<std::uint8_t>(random());
                break;
            case 2:  // a 16-bit field
                DibPutU16(block, 12 + 2 * (random() % 2),
                          static_cast<std::uint16_t>(interesting[random() % 12]));
                break;
            default:  // cut or lengthen
                block.resize(random() % (block.size() + 8));
                break;
            }
            if (block.size() < 40) break;  // the next change may write up to byte 40
        }
        block.shrink_to_fit();
        const auto picture = DecodeDib(block.data(), block.size());
        if (!picture) continue;
        ++decoded;
        const auto width = static_cast<std::int32_t>(DibGetU32(block, testsupport::kDibWidthOffset));
        const auto height = static_cast<std::int32_t>(DibGetU32(block, testsupport::kDibHeightOffset));
        ASSERT_EQ(picture->width, width);
        ASSERT_EQ(picture->height, height < 0 ? -height : height);
    }
    // The loop is only worth running if some damaged blocks still decode.
    EXPECT_GT(decoded, 100);
}

}  // namespace
