// Screen-like test pictures for the benchmarks and the peer comparison:
// a desktop gradient behind tiled windows with title bars, lines of
// text-like strokes, flat panels and a gradient image area. Deterministic:
// the same size always gives the same pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

// Pixels as blue, green, red, 0; top line first; width * height * 4 bytes.
std::vector<std::uint8_t> ScreenPixels(std::int32_t width, std::int32_t height);

// The picture as a CF_DIB block: 40-byte header, 32 bits, BI_RGB, bottom-up.
std::vector<std::uint8_t> ScreenDib(std::int32_t width, std::int32_t height);

// The CF_DIB block behind the 14-byte "BM" file header.
std::vector<std::uint8_t> ScreenBmpFile(std::int32_t width, std::int32_t height);

// The same pixels as a binary PPM (P6, red, green, blue).
std::vector<std::uint8_t> ScreenPpmFile(std::int32_t width, std::int32_t height);

}  // namespace bench
