// Pictures that the tests put on the clipboard, as .bmp file bytes.
#pragma once

#include <array>
#include <string>

namespace e2e {

using Rgb = std::array<int, 3>;

// A 24-bit bottom-up bitmap whose upper half is `top` and lower half `bottom`.
std::string TwoBandBitmap(int width, int height, Rgb top, Rgb bottom);

}  // namespace e2e
