// Fuzz target: the clipboard's CF_DIB block, which any program on the
// desktop may have put there, through the decoder. Beyond the sanitizers'
// checks: a refused block gives no picture, an accepted one a picture whose
// size the block can actually hold, every pixel with its fourth byte 0.
#include "platform/common/dib_decode.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto picture = platform::DecodeDib(data, size);
    if (!picture) return 0;

    Check(picture->width > 0 && picture->height > 0 && picture->pixels != nullptr);
    const std::uint64_t pixels = static_cast<std::uint64_t>(picture->width) * picture->height;
    Check(pixels <= platform::kMaxPicturePixels);
    // Every accepted picture is stored with at least one bit per pixel, and
    // a header of 40 bytes or more precedes the pixels.
    Check(size >= 40 && pixels <= (static_cast<std::uint64_t>(size) - 40) * 8);
    // Reads every pixel. scripts/fuzz.sh has the allocator fill new memory
    // with 0xBE, so a pixel the decoder never wrote fails the fourth-byte test.
    for (std::int32_t y = 0; y < picture->height; ++y) {
        const std::uint8_t* row = picture->Row(y);
        for (std::int32_t x = 0; x < picture->width; ++x) Check(row[4 * x + 3] == 0);
    }
    return 0;
}
