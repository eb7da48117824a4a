// The held picture: what every backend keeps in an image slot after a
// capture or a scaling. 32 bits per pixel in the order blue, green, red,
// unused (the layout of a 32-bit screen), rows top line first, no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// Gives pixels back the way they were taken: PictureCreate maps large
// pictures straight from the system (on Linux in huge pages, where a first
// touch of 4 KiB pages costs more than the work on them); anything else,
// including buffers handed over from new[], goes to delete[].
struct PixelRelease {
    std::size_t mappedBytes = 0;  // 0: allocated with new[]

    PixelRelease() = default;
    PixelRelease(std::default_delete<std::uint8_t[]>) {}  // NOLINT: adopts new[] buffers
    void operator()(std::uint8_t* pixels) const;
};

struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::unique_ptr<std::uint8_t[], PixelRelease> pixels;  // width * height * 4 bytes

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

// Gives a picture a smaller size after its pixels were rewritten in place
// (width * height * 4 bytes from the start) and returns the memory past them
// to the system where it can.
void PictureShrink(Picture& picture, std::int32_t width, std::int32_t height);

}  // namespace platform
