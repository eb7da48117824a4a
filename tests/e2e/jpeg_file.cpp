// JPEG marker parsing, the standard quantisation tables, and decoding.
#include "jpeg_file.hpp"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace e2e {
namespace {

// The example tables of the JPEG standard (ITU T.81, Annex K.1), row by row.
constexpr int kLuminance[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr int kChrominance[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Position in the 8x8 block (row by row) of the k-th value in zigzag order.
constexpr int kZigzagToNatural[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

int Byte(const std::string& s, size_t i) { return static_cast<unsigned char>(s[i]); }
int Word(const std::string& s, size_t i) { return Byte(s, i) * 256 + Byte(s, i + 1); }

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void LeaveOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1); }

}  // namespace

bool ReadJpegHeaders(const std::string& bytes, JpegHeaders& headers) {
    headers = JpegHeaders{};
    if (bytes.size() < 4 || Byte(bytes, 0) != 0xFF || Byte(bytes, 1) != 0xD8) return false;
    size_t pos = 2;
    while (pos + 4 <= bytes.size()) {
        if (Byte(bytes, pos) != 0xFF) return false;
        const int marker = Byte(bytes, pos + 1);
        const size_t length = static_cast<size_t>(Word(bytes, pos + 2));
        const size_t body = pos + 4;
        if (length < 2 || pos + 2 + length > bytes.size()) return false;
        const size_t end = pos + 2 + length;
        if (marker == 0xDB) {
            for (size_t p = body; p < end;) {
                const int precision = Byte(bytes, p) >> 4;
                const int id = Byte(bytes, p) & 15;
                if (id > 3) return false;
                ++p;
                std::vector<int> values;
                for (int k = 0; k < 64; ++k) {
                    values.push_back(precision ? Word(bytes, p) : Byte(bytes, p));
                    p += precision ? 2 : 1;
                }
                headers.tables[static_cast<size_t>(id)] = values;
                headers.tablePrecision[static_cast<size_t>(id)] = precision;
            }
        } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            headers.frameMarker = marker;
            headers.height = Word(bytes, body + 1);
            headers.width = Word(bytes, body + 3);
            headers.components = Byte(bytes, body + 5);
        } else if (marker == 0xDA) {
            return headers.frameMarker != 0;
        }
        pos = end;
    }
    return false;
}

std::vector<int> ScaledStandardTable(int table, int libjpegQuality) {
    const int quality = libjpegQuality <= 0 ? 1 : (libjpegQuality > 100 ? 100 : libjpegQuality);
    const long scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    const int* base = table == 0 ? kLuminance : kChrominance;
    std::vector<int> values;
    for (int k = 0; k < 64; ++k) {
        long v = (base[kZigzagToNatural[k]] * scale + 50) / 100;
        if (v < 1) v = 1;
        if (v > 32767) v = 32767;
        values.push_back(static_cast<int>(v));
    }
    return values;
}

std::array<int, 3> RgbImage::At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
}

bool DecodeJpeg(const std::string& bytes, RgbImage& image) {
    jpeg_decompress_struct info{};
    ErrorTrap trap{};
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = LeaveOnError;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.pixels.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3, 0);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.pixels.data() + static_cast<size_t>(info.output_scanline) * static_cast<size_t>(image.width) * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace e2e
