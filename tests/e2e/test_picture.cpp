// .bmp files built in memory.
#include "test_picture.hpp"

#include <cstdint>

namespace e2e {

std::string TwoBandBitmap(int width, int height, Rgb top, Rgb bottom) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
    std::string bmp = "BM";
    Put32(bmp, 14 + 40 + imageSize);
    Put32(bmp, 0);
    Put32(bmp, 14 + 40);
    Put32(bmp, 40);
    Put32(bmp, static_cast<std::uint32_t>(width));
    Put32(bmp, static_cast<std::uint32_t>(height));  // positive: bottom row first
    Put16(bmp, 1);
    Put16(bmp, 24);
    Put32(bmp, 0);  // BI_RGB
    Put32(bmp, imageSize);
    Put32(bmp, 2835);
    Put32(bmp, 2835);
    Put32(bmp, 0);
    Put32(bmp, 0);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        const Rgb& c = y < height / 2 ? top : bottom;
        std::string line;
        for (int x = 0; x < width; ++x) {
            line += static_cast<char>(c[2]);
            line += static_cast<char>(c[1]);
            line += static_cast<char>(c[0]);
        }
        line.resize(stride, '\0');
        bmp += line;
    }
    return bmp;
}

}  // namespace e2e
