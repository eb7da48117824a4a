// Decoding of a clipboard CF_DIB block into a held picture.
//
// Read: header sizes 40 (BITMAPINFOHEADER), 52 and 56 (the V2 and V3 info
// headers, masks inside), 108 (V4) and 124 (V5); BI_RGB at 1, 4, 8, 16 (5-5-5),
// 24 and 32 bits; BI_BITFIELDS at 16 and 32 bits with contiguous masks. A
// 40-byte header with BI_BITFIELDS is followed by its three masks. Anything
// after the pixels (a V5 colour profile) is ignored.
//
// Safe choices for data that makes no sense: a palette index past the colour
// table reads as black; masks that are zero, not contiguous or wider than the
// pixel refuse the block.
#include "dib_decode.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

static_assert(std::endian::native == std::endian::little,
              "pixels are handled as little-endian 32-bit words");

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV2HeaderSize = 52;
constexpr std::uint32_t kV3HeaderSize = 56;
constexpr std::uint32_t kV4HeaderSize = 108;
constexpr std::uint32_t kV5HeaderSize = 124;

// Channel widths up to this many bits are expanded through a table.
constexpr int kTableBits = 12;

std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void WriteU32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// Everything the pixel loops need, all checked against the block.
struct DibLayout {
    std::int32_t width = 0;
    std::int32_t height = 0;  // always positive here
    bool topDown = false;
    int bitCount = 0;
    bool bitfields = false;
    std::uint32_t masks[3] = {};  // red, green, blue
    const std::uint8_t* colorTable = nullptr;
    std::uint32_t colorCount = 0;
    const std::uint8_t* pixels = nullptr;
    std::size_t stride = 0;
};

bool IsHeaderSizeKnown(std::uint32_t headerSize) {
    return headerSize == kInfoHeaderSize || headerSize == kV2HeaderSize || headerSize == kV3HeaderSize ||
           headerSize == kV4HeaderSize || headerSize == kV5HeaderSize;
}

bool IsMaskUsable(std::uint32_t mask, int bitCount) {
    if (mask == 0) return false;
    if (bitCount < 32 && (mask >> bitCount) != 0) return false;
    const std::uint32_t low = mask >> std::countr_zero(mask);
    return (low & (low + 1)) == 0;  // one run of ones
}

bool ParseDib(const std::uint8_t* block, std::size_t size, DibLayout& out) {
    if (block == nullptr || size < 4) return false;
    const std::uint32_t headerSize = ReadU32(block);
    if (!IsHeaderSizeKnown(headerSize) || size < headerSize) return false;

    const std::int32_t width = static_cast<std::int32_t>(ReadU32(block + 4));
    const std::int32_t height = static_cast<std::int32_t>(ReadU32(block + 8));
    const std::uint16_t planes = ReadU16(block + 12);
    const std::uint16_t bitCount = ReadU16(block + 14);
    const std::uint32_t compression = ReadU32(block + 16);
    const std::uint32_t colorsUsed = ReadU32(block + 32);

    if (planes != 1 || width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) {
        return false;
    }
    const std::uint64_t rows = height < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(height))
                                          : static_cast<std::uint64_t>(height);
    if (static_cast<std::uint64_t>(width) * rows > kMaxPicturePixels) return false;

    switch (bitCount) {
    case 1: case 4: case 8: case 24:
        if (compression != kBiRgb) return false;
        break;
    case 16: case 32:
        if (compression != kBiRgb && compression != kBiBitfields) return false;
        break;
    default:
        return false;
    }

    std::uint64_t offset = headerSize;
    out.bitfields = compression == kBiBitfields;
    if (out.bitfields) {
        const std::uint8_t* maskBytes = block + kInfoHeaderSize;
        if (headerSize == kInfoHeaderSize) {
            if (size - offset < 12) return false;
            offset += 12;
        }
        for (int c = 0; c < 3; ++c) {
            out.masks[c] = ReadU32(maskBytes + 4 * c);
            if (!IsMaskUsable(out.masks[c], bitCount)) return false;
        }
    }

    std::uint64_t tableEntries = colorsUsed;
    if (bitCount <= 8 && tableEntries == 0) tableEntries = std::uint64_t{1} << bitCount;
    const std::uint64_t tableBytes = tableEntries * 4;
    if (tableBytes > size - offset) return false;
    out.colorTable = block + offset;
    out.colorCount = static_cast<std::uint32_t>(tableEntries);
    offset += tableBytes;

    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    // stride * rows stays far below 2^64: width * rows <= 2^28, 32 bits each.
    if (stride * rows > size - offset) return false;

    out.width = width;
    out.height = static_cast<std::int32_t>(rows);
    out.topDown = height < 0;
    out.bitCount = bitCount;
    out.pixels = block + offset;
    out.stride = static_cast<std::size_t>(stride);
    return true;
}

// Expands one masked channel to 8 bits, rounded: (v * 255 + max / 2) / max.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : mask_(mask), shift_(std::countr_zero(mask)), bits_(std::popcount(mask)),
          max_(mask >> std::countr_zero(mask)) {
        if (bits_ <= kTableBits) {
            for (std::uint32_t v = 0; v <= max_; ++v) table_[v] = Scale(v);
        }
    }

    std::uint32_t Expand(std::uint32_t raw) const {
        const std::uint32_t v = (raw & mask_) >> shift_;
        return bits_ <= kTableBits ? table_[v] : Scale(v);
    }

private:
    std::uint8_t Scale(std::uint32_t v) const {
        return static_cast<std::uint8_t>((std::uint64_t{v} * 255 + max_ / 2) / max_);
    }

    std::uint32_t mask_;
    int shift_;
    int bits_;
    std::uint32_t max_;
    std::array<std::uint8_t, std::size_t{1} << kTableBits> table_{};
};

// The colour table as B,G,R,0 words; entries past the table stay black.
std::array<std::uint32_t, 256> LoadPalette(const DibLayout& dib) {
    std::array<std::uint32_t, 256> palette{};
    const std::uint32_t usable = std::min<std::uint32_t>(dib.colorCount, 1u << dib.bitCount);
    for (std::uint32_t i = 0; i < usable; ++i) {
        palette[i] = ReadU32(dib.colorTable + 4 * i) & 0x00FFFFFFu;
    }
    return palette;
}

void DecodeRow1(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                const std::array<std::uint32_t, 256>& palette) {
    for (std::int32_t x = 0; x < width; ++x) {
        const unsigned index = (src[x >> 3] >> (7 - (x & 7))) & 1u;
        WriteU32(dst + 4 * x, palette[index]);
    }
}

void DecodeRow4(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                const std::array<std::uint32_t, 256>& palette) {
    for (std::int32_t x = 0; x < width; ++x) {
        const unsigned byte = src[x >> 1];
        const unsigned index = (x & 1) ? (byte & 0x0Fu) : (byte >> 4);
        WriteU32(dst + 4 * x, palette[index]);
    }
}

void DecodeRow8(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                const std::array<std::uint32_t, 256>& palette) {
    for (std::int32_t x = 0; x < width; ++x) WriteU32(dst + 4 * x, palette[src[x]]);
}

void DecodeRow16(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, const Channel& red,
                 const Channel& green, const Channel& blue) {
    for (std::int32_t x = 0; x < width; ++x) {
        const std::uint32_t raw = ReadU16(src + 2 * x);
        WriteU32(dst + 4 * x, blue.Expand(raw) | (green.Expand(raw) << 8) | (red.Expand(raw) << 16));
    }
}

void DecodeRow24(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width) {
    std::int32_t x = 0;
    // Four pixels from three words at a time.
    for (; x + 4 <= width; x += 4, src += 12, dst += 16) {
        const std::uint32_t a = ReadU32(src);      // B0 G0 R0 B1
        const std::uint32_t b = ReadU32(src + 4);  // G1 R1 B2 G2
        const std::uint32_t c = ReadU32(src + 8);  // R2 B3 G3 R3
        WriteU32(dst, a & 0x00FFFFFFu);
        WriteU32(dst + 4, (a >> 24) | ((b & 0xFFFFu) << 8));
        WriteU32(dst + 8, (b >> 16) | ((c & 0xFFu) << 16));
        WriteU32(dst + 12, c >> 8);
    }
    for (; x < width; ++x, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 0;
    }
}

// Pictures larger than this are written with streaming stores: they do not
// fit the caches anyway, and such stores need not fetch each line first.
constexpr std::size_t kStreamingBytes = std::size_t{16} << 20;

// The hot path for screen pictures: a copy that clears every fourth byte.
void DecodeRow32(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, bool streaming) {
    std::int32_t x = 0;
#if defined(__SSE2__)
    const __m128i keep = _mm_set1_epi32(0x00FFFFFF);
    if (streaming && reinterpret_cast<std::uintptr_t>(dst) % 16 == 0) {
        for (; x + 4 <= width; x += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
            _mm_stream_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_and_si128(v, keep));
        }
    }
    for (; x + 4 <= width; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_and_si128(v, keep));
    }
#else
    (void)streaming;
#endif
    for (; x < width; ++x) WriteU32(dst + 4 * x, ReadU32(src + 4 * x) & 0x00FFFFFFu);
}

void DecodeRow32Masked(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, const Channel& red,
                       const Channel& green, const Channel& blue) {
    for (std::int32_t x = 0; x < width; ++x) {
        const std::uint32_t raw = ReadU32(src + 4 * x);
        WriteU32(dst + 4 * x, blue.Expand(raw) | (green.Expand(raw) << 8) | (red.Expand(raw) << 16));
    }
}

// Calls decodeRow(source row, destination row) for every line in the order
// the block stores them, so that the block is read front to back (a
// bottom-up block fills the picture from its last line up).
template <typename RowDecoder>
void ForEachRow(const DibLayout& dib, Picture& picture, RowDecoder decodeRow) {
    for (std::int32_t stored = 0; stored < dib.height; ++stored) {
        const std::int32_t y = dib.topDown ? stored : dib.height - 1 - stored;
        decodeRow(dib.pixels + dib.stride * static_cast<std::size_t>(stored), picture.Row(y));
    }
}

}  // namespace

bool DibDirectRows(const std::uint8_t* block, std::size_t available, std::size_t size, DibRows& rows) {
    // ParseDib reads only the header and the masks after a 40-byte header.
    static_assert(kDibHeadBytes >= kV5HeaderSize && kDibHeadBytes >= kInfoHeaderSize + 12);
    if (available < std::min(size, kDibHeadBytes)) return false;
    DibLayout dib;
    if (!ParseDib(block, size, dib) || dib.bitCount != 32) return false;
    if (dib.bitfields &&
        (dib.masks[0] != 0x00FF0000u || dib.masks[1] != 0x0000FF00u || dib.masks[2] != 0x000000FFu)) {
        return false;
    }
    rows.width = dib.width;
    rows.height = dib.height;
    rows.topDown = dib.topDown;
    rows.offset = static_cast<std::size_t>(dib.pixels - block);
    rows.stride = dib.stride;
    return true;
}

std::unique_ptr<Picture> DecodeDib(const std::uint8_t* block, std::size_t size) {
    DibLayout dib;
    if (!ParseDib(block, size, dib)) return nullptr;
    auto picture = PictureCreate(dib.width, dib.height);
    if (!picture) return nullptr;
    const std::int32_t width = dib.width;

    switch (dib.bitCount) {
    case 1: case 4: case 8: {
        const auto palette = LoadPalette(dib);
        const auto decodeRow = dib.bitCount == 1 ? DecodeRow1 : dib.bitCount == 4 ? DecodeRow4 : DecodeRow8;
        ForEachRow(dib, *picture,
                   [&](const std::uint8_t* s, std::uint8_t* d) { decodeRow(s, d, width, palette); });
        break;
    }
    case 16: {
        const Channel red(dib.bitfields ? dib.masks[0] : 0x7C00u);
        const Channel green(dib.bitfields ? dib.masks[1] : 0x03E0u);
        const Channel blue(dib.bitfields ? dib.masks[2] : 0x001Fu);
        ForEachRow(dib, *picture, [&](const std::uint8_t* s, std::uint8_t* d) {
            DecodeRow16(s, d, width, red, green, blue);
        });
        break;
    }
    case 24:
        ForEachRow(dib, *picture, [&](const std::uint8_t* s, std::uint8_t* d) { DecodeRow24(s, d, width); });
        break;
    case 32:
        if (!dib.bitfields ||
            (dib.masks[0] == 0x00FF0000u && dib.masks[1] == 0x0000FF00u && dib.masks[2] == 0x000000FFu)) {
            const bool streaming = picture->Stride() * static_cast<std::size_t>(dib.height) >= kStreamingBytes;
            ForEachRow(dib, *picture, [&](const std::uint8_t* s, std::uint8_t* d) {
                DecodeRow32(s, d, width, streaming);
            });
#if defined(__SSE2__)
            if (streaming) _mm_sfence();
#endif
        } else {
            const Channel red(dib.masks[0]);
            const Channel green(dib.masks[1]);
            const Channel blue(dib.masks[2]);
            ForEachRow(dib, *picture, [&](const std::uint8_t* s, std::uint8_t* d) {
                DecodeRow32Masked(s, d, width, red, green, blue);
            });
        }
        break;
    default:
        return nullptr;
    }
    return picture;
}

}  // namespace platform
