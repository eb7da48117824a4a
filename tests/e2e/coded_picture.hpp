// Two-band .bmp files in the stored layouts other programs put on the
// clipboard: colour tables at 1, 4 and 8 bits (full or shortened by
// biClrUsed) and 16-bit BI_BITFIELDS with 5-6-5 masks.
#pragma once

#include <string>

#include "test_picture.hpp"

namespace e2e {

struct PictureCoding {
    int bitsPerPixel = 8;    // 1, 4 or 8 with a colour table; 16 with 5-6-5 masks
    int tableEntries = 0;    // biClrUsed; 0 means the full table of 2^bits entries
    bool topDown = false;    // negative height: first stored row is the top line
};

// A picture whose upper half is `top` and lower half `bottom`. With a colour
// table the two colours sit at indexes other than 0 and 1 where the table
// allows it (the last entry and one a third of the way in; 1 and 0 at one
// bit), and every other entry holds a decoy green, so that an index taken as
// a grey level or looked up in the wrong entry shows as a wrong colour.
std::string CodedTwoBandBitmap(const PictureCoding& coding, int width, int height, Rgb top, Rgb bottom);

}  // namespace e2e
