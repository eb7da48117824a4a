// Test helper: held pictures (blue, green, red, unused; top line first)
// filled from a function of the pixel position.
#pragma once

#include "platform/common/picture.hpp"

#include <cstdint>
#include <memory>

namespace testsupport {

// `colour(x, y)` gives 0xRRGGBB. Built by hand so the tests do not depend on
// how PictureCreate allocates.
template <typename ColourOf>
std::unique_ptr<platform::Picture> MakePicture(std::int32_t width, std::int32_t height, ColourOf colour) {
    auto picture = std::make_unique<platform::Picture>();
    picture->width = width;
    picture->height = height;
    picture->pixels = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(width) * height * 4);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* p = picture->Row(y);
        for (std::int32_t x = 0; x < width; ++x, p += 4) {
            std::uint32_t c = colour(x, y);
            p[0] = static_cast<std::uint8_t>(c);
            p[1] = static_cast<std::uint8_t>(c >> 8);
            p[2] = static_cast<std::uint8_t>(c >> 16);
            p[3] = 0;
        }
    }
    return picture;
}

inline std::unique_ptr<platform::Picture> MakeFlatPicture(std::int32_t width, std::int32_t height,
                                                          std::uint32_t rgb) {
    return MakePicture(width, height, [rgb](std::int32_t, std::int32_t) { return rgb; });
}

}  // namespace testsupport
