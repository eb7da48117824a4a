// Pictures that the tests put on the clipboard, as .bmp file bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace e2e {

using Rgb = std::array<int, 3>;

// Little-endian fields of a .bmp file.
inline void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// A 24-bit bottom-up bitmap whose upper half is `top` and lower half `bottom`.
std::string TwoBandBitmap(int width, int height, Rgb top, Rgb bottom);

}  // namespace e2e
