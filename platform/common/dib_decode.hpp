// Decoding of a clipboard CF_DIB block (BITMAPINFOHEADER, V4 or V5 header,
// optional colour masks, colour table, pixels) into a held Picture.
#pragma once

#include "picture.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// nullptr when the block is truncated, inconsistent, too large or uses a
// format the program does not read (RLE, JPEG, PNG, unusual depths).
// Never reads outside [block, block + size).
std::unique_ptr<Picture> DecodeDib(const std::uint8_t* block, std::size_t size);

}  // namespace platform
