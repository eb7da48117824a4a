// Test helper: builds clipboard CF_DIB blocks (header, masks, colour table,
// pixels) from a top-down array of 0xRRGGBB pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// Byte offsets of header fields, for tests that damage a block on purpose.
constexpr std::size_t kDibSizeOffset = 0;
constexpr std::size_t kDibWidthOffset = 4;
constexpr std::size_t kDibHeightOffset = 8;
constexpr std::size_t kDibPlanesOffset = 12;
constexpr std::size_t kDibBitCountOffset = 14;
constexpr std::size_t kDibCompressionOffset = 16;
constexpr std::size_t kDibSizeImageOffset = 20;
constexpr std::size_t kDibColorsUsedOffset = 32;
constexpr std::size_t kDibMasksOffset = 40;  // after a 40-byte header, inside larger ones

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;

struct DibFormat {
    int bitCount = 32;        // 1, 4, 8 (with a colour table), 16, 24 or 32
    bool bitfields = false;   // BI_BITFIELDS; only with 16 or 32 bits
    // Masks for bitfields; all zero means 5-6-5 at 16 bits, 8-8-8 (0x00RRGGBB) at 32.
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
    std::uint32_t headerSize = 40;  // 40, 108 or 124
    bool topDown = false;           // negative height, first stored row on top
    // Colour table length written at 1, 4 and 8 bits; 0 writes the full 2^bits
    // table and leaves biClrUsed 0. Must hold every distinct colour.
    std::uint32_t colorsUsed = 0;
};

// The block for a width x height picture given top line first. Colours with a
// table are indexed in order of first appearance; masked channels hold the
// nearest value, round(v * max / 255). Returns an empty vector when the
// pixels do not fit the format (too many colours, wrong count).
std::vector<std::uint8_t> BuildDib(const std::vector<std::uint32_t>& rgb, int width, int height,
                                   const DibFormat& format);

// Little-endian field access for damaging blocks.
void DibPutU16(std::vector<std::uint8_t>& block, std::size_t offset, std::uint16_t value);
void DibPutU32(std::vector<std::uint8_t>& block, std::size_t offset, std::uint32_t value);
std::uint32_t DibGetU32(const std::vector<std::uint8_t>& block, std::size_t offset);

}  // namespace testsupport
