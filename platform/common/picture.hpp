// The held picture: what every backend keeps in an image slot after a
// capture or a scaling. 32 bits per pixel in the order blue, green, red,
// unused (the layout of a 32-bit screen), rows top line first, no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::unique_ptr<std::uint8_t[]> pixels;  // width * height * 4 bytes

    std::size_t Stride() const { return static_cast<std::size_t>(width) * 4; }
    std::uint8_t* Row(std::int32_t y) { return pixels.get() + Stride() * static_cast<std::size_t>(y); }
    const std::uint8_t* Row(std::int32_t y) const {
        return pixels.get() + Stride() * static_cast<std::size_t>(y);
    }
};

// Largest picture any step will make: 2^28 pixels (1 GiB of pixels).
// Larger requests fail like a desktop that cannot make the picture.
constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 28;

// A new picture with uninitialised pixels, or nullptr when the size is not
// positive, too large, or memory is short.
std::unique_ptr<Picture> PictureCreate(std::int32_t width, std::int32_t height);

}  // namespace platform
