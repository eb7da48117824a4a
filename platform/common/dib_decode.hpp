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

// Where the rows of a block lie when they already have the held picture's
// layout (32 bits per pixel, BI_RGB or the usual masks), so that a reader of
// a file can put them straight into a picture instead of decoding a copy;
// the fourth bytes then stay as the block has them. The first `available`
// bytes of the block are at `block` (the header and masks need at most
// kDibHeadBytes); `size` is the whole block's. False for any other block,
// and for every block DecodeDib refuses.
constexpr std::size_t kDibHeadBytes = 136;

struct DibRows {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool topDown = false;
    std::size_t offset = 0;  // of the first stored row, from the block's start
    std::size_t stride = 0;  // bytes from one stored row to the next
};

bool DibDirectRows(const std::uint8_t* block, std::size_t available, std::size_t size, DibRows& rows);

}  // namespace platform
