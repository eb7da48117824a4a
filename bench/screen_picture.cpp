// Screen-like test pictures: see screen_picture.hpp.
#include "bench/screen_picture.hpp"

#include <cstring>
#include <string>

namespace bench {
namespace {

// Every tile holds one window, so larger screens show more windows of the
// same pixel size, as a larger monitor at the same density does.
constexpr std::int32_t kTileWidth = 960;
constexpr std::int32_t kTileHeight = 540;
constexpr std::int32_t kLinePitch = 18;
constexpr std::int32_t kCellWidth = 8;

std::uint32_t Hash(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return (r << 16) | (g << 8) | b; }

// One 5 x 9 glyph row: strokes that mostly continue from row to row.
std::uint32_t GlyphBits(std::uint32_t glyph, std::int32_t row) {
    const std::uint32_t stem = Hash(glyph * 31 + 7) & 0x1Fu;
    const std::uint32_t bar = Hash(glyph * 131 + static_cast<std::uint32_t>(row / 3)) & 0x1Fu;
    return (row == 0 || row == 4 || row == 8) ? (bar | (stem & 0x11u)) : (stem & ~bar) | (stem & 0x04u);
}

// Dark text with a lighter fringe right of each stroke (antialiasing), or
// `background` where the line has no ink at (x, y).
std::uint32_t TextPixel(std::uint32_t seed, std::int32_t x, std::int32_t y, std::int32_t lineLength,
                        std::uint32_t ink, std::uint32_t fringe, std::uint32_t background) {
    const std::int32_t line = y / kLinePitch;
    const std::int32_t row = y % kLinePitch - 4;
    const std::int32_t cell = x / kCellWidth;
    const std::int32_t column = x % kCellWidth - 1;
    if (row < 0 || row >= 9 || column < 0 || column > 5) return background;
    const std::uint32_t lineSeed = Hash(seed ^ static_cast<std::uint32_t>(line) * 0x9E3779B9u);
    if (cell >= static_cast<std::int32_t>(lineSeed % static_cast<std::uint32_t>(lineLength)) + 8) {
        return background;
    }
    const std::uint32_t word = Hash(lineSeed + static_cast<std::uint32_t>(cell));
    if (word % 6 == 0) return background;  // a space
    const std::uint32_t bits = GlyphBits(word % 64, row);
    const auto bit = [&](std::int32_t c) { return c >= 0 && c < 5 && ((bits >> c) & 1u) != 0; };
    if (bit(column)) return ink;
    if (bit(column - 1)) return fringe;
    return background;
}

std::uint32_t ScreenColour(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    const std::int32_t lx = x % kTileWidth;
    const std::int32_t ly = y % kTileHeight;
    const std::uint32_t tile =
        static_cast<std::uint32_t>((y / kTileHeight) * 64 + x / kTileWidth) * 0x01000193u;

    const bool inWindow = lx >= 24 && lx < kTileWidth - 24 && ly >= 20 && ly < kTileHeight - 20;
    if (!inWindow) {  // the desktop: a smooth diagonal gradient
        const auto u = static_cast<std::uint32_t>(x), v = static_cast<std::uint32_t>(y);
        const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
        return Rgb(40 + u * 80 / w, 60 + v * 100 / h, 120 + (u + v) * 100 / (w + h));
    }
    if (lx == 24 || lx == kTileWidth - 25 || ly == 20 || ly == kTileHeight - 21) return 0x404040;

    if (ly < 50) {  // the title bar: gradient with a white title
        const auto u = static_cast<std::uint32_t>(lx);
        const std::uint32_t bar = Rgb(30 + u * 100 / 960, 60 + u * 80 / 960, 160 + u * 90 / 960);
        if (lx < 40 || lx >= 340) return bar;
        return TextPixel(tile ^ 0x5A5A5Au, lx - 40, ly - 20 + 4, 30, 0xFFFFFF, 0xC8D0F0, bar);
    }
    if (lx < 180) {  // a flat side panel with menu entries
        return TextPixel(tile ^ 0x1234567u, lx - 32, (ly - 56) / 2 * 2 + (ly % 2), 12, 0x303030, 0x9A9A9A,
                         0xF0F0F0);
    }
    if (lx >= 620 && lx < kTileWidth - 44 && ly >= 70 && ly < 330) {  // an image: smooth gradients
        const auto u = static_cast<std::uint32_t>(lx - 620), v = static_cast<std::uint32_t>(ly - 70);
        const std::uint32_t r = u * 255 / 296;
        const std::uint32_t g = v * 255 / 260;
        return Rgb(r, g, 255 - (r + g) / 2);
    }
    // The document: black text on white.
    return TextPixel(tile, lx - 196, ly - 60, 60, 0x101010, 0xB0B0B0, 0xFFFFFF);
}

void PutU16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    PutU16(p, v);
    PutU16(p + 2, v >> 16);
}

constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;

// The CF_DIB block written at `out`, which has room for 40 + w * h * 4 bytes.
void WriteDib(std::uint8_t* out, std::int32_t width, std::int32_t height) {
    std::memset(out, 0, kInfoHeaderSize);
    PutU32(out, kInfoHeaderSize);
    PutU32(out + 4, static_cast<std::uint32_t>(width));
    PutU32(out + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up
    PutU16(out + 12, 1);
    PutU16(out + 14, 32);
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    PutU32(out + 20, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(height)));
    PutU32(out + 24, 3780);  // 96 dots per inch
    PutU32(out + 28, 3780);
    const std::vector<std::uint8_t> pixels = ScreenPixels(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        std::memcpy(out + kInfoHeaderSize + stride * static_cast<std::size_t>(height - 1 - y),
                    pixels.data() + stride * static_cast<std::size_t>(y), stride);
    }
}

}  // namespace

std::vector<std::uint8_t> ScreenPixels(std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    std::uint8_t* p = pixels.data();
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x, p += 4) {
            const std::uint32_t c = ScreenColour(x, y, width, height);
            p[0] = static_cast<std::uint8_t>(c);
            p[1] = static_cast<std::uint8_t>(c >> 8);
            p[2] = static_cast<std::uint8_t>(c >> 16);
            p[3] = 0;
        }
    }
    return pixels;
}

std::vector<std::uint8_t> ScreenDib(std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> block(kInfoHeaderSize +
                                    static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    WriteDib(block.data(), width, height);
    return block;
}

std::vector<std::uint8_t> ScreenBmpFile(std::int32_t width, std::int32_t height) {
    const std::size_t dibSize =
        kInfoHeaderSize + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    std::vector<std::uint8_t> file(kFileHeaderSize + dibSize);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(&file[2], static_cast<std::uint32_t>(file.size()));
    PutU32(&file[10], static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize));
    WriteDib(file.data() + kFileHeaderSize, width, height);
    return file;
}

std::vector<std::uint8_t> ScreenPpmFile(std::int32_t width, std::int32_t height) {
    const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    const std::vector<std::uint8_t> pixels = ScreenPixels(width, height);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> file(header.size() + count * 3);
    std::memcpy(file.data(), header.data(), header.size());
    std::uint8_t* out = file.data() + header.size();
    for (std::size_t i = 0; i < count; ++i, out += 3) {
        out[0] = pixels[4 * i + 2];
        out[1] = pixels[4 * i + 1];
        out[2] = pixels[4 * i + 0];
    }
    return file;
}

}  // namespace bench
