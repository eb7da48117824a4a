// Creation of held pictures.
#include "picture.hpp"

#include <new>

namespace platform {

std::unique_ptr<Picture> PictureCreate(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return nullptr;
    const std::uint64_t count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (count > kMaxPicturePixels) return nullptr;

    std::unique_ptr<Picture> picture(new (std::nothrow) Picture);
    if (!picture) return nullptr;
    // Left uninitialised: every producer writes each pixel.
    picture->pixels.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(count) * 4]);
    if (!picture->pixels) return nullptr;
    picture->width = width;
    picture->height = height;
    return picture;
}

}  // namespace platform
