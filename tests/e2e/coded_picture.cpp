// .bmp files with colour tables or 5-6-5 bit fields, built in memory.
#include "coded_picture.hpp"

#include <cstdint>
#include <vector>

namespace e2e {
namespace {

constexpr Rgb kDecoy{0, 200, 0};

std::uint32_t Pack565(Rgb c) {
    return static_cast<std::uint32_t>(((c[0] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[2] >> 3));
}

// Sets pixel x of a row to `value` at the given depth (most significant bits first).
void PutPixel(std::vector<std::uint8_t>& row, int x, int bits, std::uint32_t value) {
    if (bits == 16) {
        row[static_cast<size_t>(x) * 2] = static_cast<std::uint8_t>(value & 0xFF);
        row[static_cast<size_t>(x) * 2 + 1] = static_cast<std::uint8_t>(value >> 8);
        return;
    }
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (x % perByte + 1);
    row[static_cast<size_t>(x / perByte)] |= static_cast<std::uint8_t>(value << shift);
}

}  // namespace

std::string CodedTwoBandBitmap(const PictureCoding& coding, int width, int height, Rgb top, Rgb bottom) {
    const int bits = coding.bitsPerPixel;
    const bool indexed = bits <= 8;
    const int entries = indexed ? (coding.tableEntries > 0 ? coding.tableEntries : 1 << bits) : 0;
    std::uint32_t topValue = Pack565(top), bottomValue = Pack565(bottom);
    std::vector<Rgb> table(static_cast<size_t>(entries), kDecoy);
    if (indexed) {
        topValue = static_cast<std::uint32_t>(entries - 1);
        bottomValue = entries > 2 ? static_cast<std::uint32_t>(entries / 3) : 0;
        table[topValue] = top;
        table[bottomValue] = bottom;
    }
    const std::uint32_t masksSize = indexed ? 0 : 12;
    const std::uint32_t tableSize = static_cast<std::uint32_t>(entries) * 4;
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(bits) + 31) / 32 * 4;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
    const std::uint32_t offset = 14 + 40 + masksSize + tableSize;

    std::string bmp = "BM";
    Put32(bmp, offset + imageSize);
    Put32(bmp, 0);
    Put32(bmp, offset);
    Put32(bmp, 40);
    Put32(bmp, static_cast<std::uint32_t>(width));
    Put32(bmp, static_cast<std::uint32_t>(coding.topDown ? -height : height));
    Put16(bmp, 1);
    Put16(bmp, static_cast<unsigned>(bits));
    Put32(bmp, indexed ? 0 : 3);  // BI_RGB, BI_BITFIELDS
    Put32(bmp, imageSize);
    Put32(bmp, 2835);
    Put32(bmp, 2835);
    Put32(bmp, static_cast<std::uint32_t>(coding.tableEntries));
    Put32(bmp, 0);
    if (!indexed) {
        Put32(bmp, 0xF800);
        Put32(bmp, 0x07E0);
        Put32(bmp, 0x001F);
    }
    for (const Rgb& c : table) {
        bmp += static_cast<char>(c[2]);
        bmp += static_cast<char>(c[1]);
        bmp += static_cast<char>(c[0]);
        bmp += '\0';
    }
    for (int stored = 0; stored < height; ++stored) {
        const int y = coding.topDown ? stored : height - 1 - stored;
        const std::uint32_t value = y < height / 2 ? topValue : bottomValue;
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < width; ++x) PutPixel(row, x, bits, value);
        bmp.append(reinterpret_cast<const char*>(row.data()), row.size());
    }
    return bmp;
}

}  // namespace e2e
