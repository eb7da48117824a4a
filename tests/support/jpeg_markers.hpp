// Test helpers for written JPEG files: the frame header and quantisation
// tables read straight from the markers, and a full decode with libjpeg.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct QuantTable {
    bool present = false;
    int precisionBits = 0;                  // 8 or 16, as stored in the DQT segment
    std::array<std::uint16_t, 64> zigzag{};  // values in the order they are stored
};

struct JpegMarkers {
    bool valid = false;   // starts with SOI and has a frame header
    int frameMarker = 0;  // 0xC0 baseline, 0xC1 extended sequential, ...
    int width = 0;
    int height = 0;
    int components = 0;
    std::array<QuantTable, 4> tables;  // by table number
};

// Walks the markers up to the first scan.
JpegMarkers InspectJpeg(const std::vector<std::uint8_t>& bytes);

struct DecodedJpeg {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // top line first, 3 bytes per pixel

    const std::uint8_t* Pixel(int x, int y) const {
        return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
};

// Decodes with libjpeg into RGB; ok is false when libjpeg reports an error.
DecodedJpeg DecodeJpeg(const std::vector<std::uint8_t>& bytes);

// The whole file; empty when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace testsupport
