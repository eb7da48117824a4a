#include "support/jpeg_markers.hpp"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

namespace testsupport {
namespace {

int Read16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] << 8 | b[at + 1]; }

bool IsFrameMarker(int marker) {
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool ReadQuantTables(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t end,
                     JpegMarkers& info) {
    while (at < end) {
        int precision = b[at] >> 4;
        int number = b[at] & 0x0F;
        ++at;
        std::size_t entrySize = precision ? 2 : 1;
        if (number > 3 || at + 64 * entrySize > end) return false;
        QuantTable& table = info.tables[static_cast<std::size_t>(number)];
        table.present = true;
        table.precisionBits = precision ? 16 : 8;
        for (std::size_t i = 0; i < 64; ++i, at += entrySize) {
            table.zigzag[i] = static_cast<std::uint16_t>(precision ? Read16(b, at) : b[at]);
        }
    }
    return true;
}

struct DecodeErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void DecodeErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<DecodeErrors*>(cinfo->err)->jump, 1);
}

// Kept out of DecodeJpeg so that the setjmp frame holds no C++ objects.
bool RunDecode(jpeg_decompress_struct& cinfo, DecodeErrors& errors, const std::vector<std::uint8_t>& bytes,
               DecodedJpeg& out) {
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = DecodeErrorExit;
    if (setjmp(errors.jump) != 0) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

}  // namespace

JpegMarkers InspectJpeg(const std::vector<std::uint8_t>& b) {
    JpegMarkers info;
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return info;
    std::size_t at = 2;
    bool sawFrame = false;
    while (at + 4 <= b.size()) {
        if (b[at] != 0xFF) return info;
        int marker = b[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // start of scan, end of image
        std::size_t length = static_cast<std::size_t>(Read16(b, at + 2));
        std::size_t body = at + 4;
        std::size_t end = at + 2 + length;
        if (length < 2 || end > b.size()) return info;
        if (marker == 0xDB) {
            if (!ReadQuantTables(b, body, end, info)) return info;
        } else if (IsFrameMarker(marker) && end - body >= 6) {
            sawFrame = true;
            info.frameMarker = marker;
            info.height = Read16(b, body + 1);
            info.width = Read16(b, body + 3);
            info.components = b[body + 5];
        }
        at = end;
    }
    info.valid = sawFrame;
    return info;
}

DecodedJpeg DecodeJpeg(const std::vector<std::uint8_t>& bytes) {
    DecodedJpeg out;
    if (bytes.empty()) return out;
    jpeg_decompress_struct cinfo{};
    DecodeErrors errors{};
    out.ok = RunDecode(cinfo, errors, bytes, out);
    jpeg_destroy_decompress(&cinfo);
    if (!out.ok) out.rgb.clear();
    return out;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testsupport
