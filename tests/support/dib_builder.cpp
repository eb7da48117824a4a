// Test helper: CF_DIB block builder.
#include "support/dib_builder.hpp"

#include <algorithm>
#include <bit>

namespace testsupport {

namespace {

std::uint32_t PackChannel(std::uint32_t value8, std::uint32_t mask) {
    const int shift = std::countr_zero(mask);
    const std::uint64_t max = mask >> shift;
    return static_cast<std::uint32_t>((value8 * max + 127) / 255) << shift;
}

std::uint32_t PackMasked(std::uint32_t rgb, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return PackChannel((rgb >> 16) & 0xFF, r) | PackChannel((rgb >> 8) & 0xFF, g) |
           PackChannel(rgb & 0xFF, b);
}

void PutLittle(std::vector<std::uint8_t>& out, std::size_t offset, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

void DibPutU16(std::vector<std::uint8_t>& block, std::size_t offset, std::uint16_t value) {
    PutLittle(block, offset, value, 2);
}

void DibPutU32(std::vector<std::uint8_t>& block, std::size_t offset, std::uint32_t value) {
    PutLittle(block, offset, value, 4);
}

std::uint32_t DibGetU32(const std::vector<std::uint8_t>& block, std::size_t offset) {
    return block[offset] | (block[offset + 1] << 8) | (block[offset + 2] << 16) |
           (static_cast<std::uint32_t>(block[offset + 3]) << 24);
}

std::vector<std::uint8_t> BuildDib(const std::vector<std::uint32_t>& rgb, int width, int height,
                                   const DibFormat& format) {
    const int bits = format.bitCount;
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<std::size_t>(width) * height) return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return {};
    if (format.bitfields && bits != 16 && bits != 32) return {};

    std::uint32_t r = format.redMask, g = format.greenMask, b = format.blueMask;
    if (r == 0 && g == 0 && b == 0) {
        if (bits == 16) {
            r = format.bitfields ? 0xF800 : 0x7C00;
            g = format.bitfields ? 0x07E0 : 0x03E0;
            b = 0x001F;
        } else {
            r = 0x00FF0000;
            g = 0x0000FF00;
            b = 0x000000FF;
        }
    }

    std::vector<std::uint32_t> palette;
    std::vector<std::uint32_t> values(rgb.size());  // index, packed word or 0xRRGGBB
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        const std::uint32_t colour = rgb[i] & 0xFFFFFF;
        if (bits <= 8) {
            auto it = std::find(palette.begin(), palette.end(), colour);
            values[i] = static_cast<std::uint32_t>(it - palette.begin());
            if (it == palette.end()) palette.push_back(colour);
        } else if (bits == 24 || (bits == 32 && !format.bitfields)) {
            values[i] = colour;
        } else {
            values[i] = PackMasked(colour, r, g, b);
        }
    }
    std::uint32_t tableEntries = 0;
    if (bits <= 8) {
        tableEntries = format.colorsUsed != 0 ? format.colorsUsed : (1u << bits);
        if (palette.size() > tableEntries || palette.size() > (1u << bits)) return {};
        palette.resize(tableEntries, 0);
    }

    const std::size_t header = format.headerSize;
    const bool masksAfterHeader = format.bitfields && header == 40;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t pixelsOffset = header + (masksAfterHeader ? 12 : 0) + tableEntries * 4;
    std::vector<std::uint8_t> block(pixelsOffset + stride * height, 0);

    PutLittle(block, kDibSizeOffset, header, 4);
    PutLittle(block, kDibWidthOffset, static_cast<std::uint32_t>(width), 4);
    PutLittle(block, kDibHeightOffset, static_cast<std::uint32_t>(format.topDown ? -height : height), 4);
    PutLittle(block, kDibPlanesOffset, 1, 2);
    PutLittle(block, kDibBitCountOffset, static_cast<std::uint32_t>(bits), 2);
    PutLittle(block, kDibCompressionOffset, format.bitfields ? kBiBitfields : kBiRgb, 4);
    PutLittle(block, kDibSizeImageOffset, stride * height, 4);
    PutLittle(block, kDibColorsUsedOffset, bits <= 8 ? format.colorsUsed : 0, 4);
    if (format.bitfields) {
        PutLittle(block, kDibMasksOffset, r, 4);
        PutLittle(block, kDibMasksOffset + 4, g, 4);
        PutLittle(block, kDibMasksOffset + 8, b, 4);
    }
    if (header >= 108) PutLittle(block, 56, 0x73524742, 4);  // LCS_sRGB, "sRGB"

    for (std::size_t i = 0; i < palette.size(); ++i) {
        const std::size_t at = header + (masksAfterHeader ? 12 : 0) + i * 4;
        PutLittle(block, at, palette[i], 4);  // B, G, R, 0
    }

    for (int y = 0; y < height; ++y) {
        const int stored = format.topDown ? y : height - 1 - y;
        const std::size_t row = pixelsOffset + stride * stored;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = values[static_cast<std::size_t>(y) * width + x];
            switch (bits) {
            case 1:
                block[row + x / 8] |= static_cast<std::uint8_t>(v << (7 - x % 8));
                break;
            case 4:
                block[row + x / 2] |= static_cast<std::uint8_t>(x % 2 ? v : v << 4);
                break;
            case 8:
                block[row + x] = static_cast<std::uint8_t>(v);
                break;
            case 16:
                PutLittle(block, row + 2 * x, v, 2);
                break;
            case 24:
                PutLittle(block, row + 3 * x, v, 3);
                break;
            default:
                PutLittle(block, row + 4 * x, v, 4);
                break;
            }
        }
    }
    return block;
}

}  // namespace testsupport
