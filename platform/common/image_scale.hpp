// Smooth scaling: every destination pixel is the area-weighted average of
// the source pixels it covers, each axis on its own (the aspect ratio is not
// kept). Works for reduction and enlargement alike.
//
// Exact definition, per colour channel (the unused fourth byte becomes 0):
//   ox(x, i) = overlap of [x*sw, (x+1)*sw) and [i*dw, (i+1)*dw)
//   oy(y, j) = overlap of [y*sh, (y+1)*sh) and [j*dh, (j+1)*dh)
//   dst(x, y) = (sum ox*oy*src(i, j) + sw*sh/2) / (sw*sh), integer division.
#pragma once

#include "picture.hpp"

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// nullptr when width or height is not positive or the picture cannot be made.
std::unique_ptr<Picture> ScalePicture(const Picture& source, std::int32_t width, std::int32_t height);

// The same scaling written into the picture's own memory, which is then
// shrunk to the new size; only when neither side grows. False, with the
// picture untouched, when a side grows or the working memory (a few rows)
// cannot be had.
bool ScalePictureInPlace(Picture& picture, std::int32_t width, std::int32_t height);

// Gives source lines first .. first + count - 1 of a picture being scaled,
// top line first, as rows of the held layout one after another, valid until
// the next call; nullptr gives up. A scaling asks with `first` never
// decreasing and `count` never above ceil(source height / height) + 1.
using ScaleLineSource = std::function<const std::uint8_t*(std::int32_t first, std::int32_t count)>;

// ScalePicture for a source that is read a band of lines at a time instead
// of held whole, as a reader of a file can: the same pixels. nullptr when a
// size is not positive, the picture cannot be made or the source gives up.
std::unique_ptr<Picture> ScaleLines(std::int32_t sourceWidth, std::int32_t sourceHeight, const ScaleLineSource& lines,
                                    std::int32_t width, std::int32_t height);

// For tests: whether the fast version may use AVX2 where the processor has
// it (the default). Without it, it runs the SSSE3 code that Windows builds
// always use.
void ScaleAllowAvx2(bool allowed);

// The straightforward version of the same rule; the tests compare against it.
std::unique_ptr<Picture> ScalePictureReference(const Picture& source, std::int32_t width,
                                               std::int32_t height);

}  // namespace platform
