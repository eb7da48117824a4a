// Reading back the JPEG files that Pictarn writes: the frame header and the
// quantisation tables as stored, and the decoded pixels.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct JpegHeaders {
    int frameMarker = 0;  // 0xC0 baseline, 0xC1 extended sequential, ...
    int width = 0;
    int height = 0;
    int components = 0;
    // Quantisation tables by table number, values in the file's (zigzag) order.
    std::array<std::vector<int>, 4> tables;
    std::array<int, 4> tablePrecision{};  // 0: 8-bit entries, 1: 16-bit entries
};

// Parses the markers up to the start of the scan; false when the bytes are not
// a JPEG file with a frame header.
bool ReadJpegHeaders(const std::string& bytes, JpegHeaders& headers);

// The quantisation table that libjpeg's jpeg_set_quality (force_baseline off)
// derives from the standard luminance (table 0) or chrominance (table 1)
// table for a libjpeg quality of 0 to 100, in zigzag order.
std::vector<int> ScaledStandardTable(int table, int libjpegQuality);

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // rows top first, red green blue

    std::array<int, 3> At(int x, int y) const;
};

// Decodes with the host's libjpeg; false on any decoding error.
bool DecodeJpeg(const std::string& bytes, RgbImage& image);

}  // namespace e2e
