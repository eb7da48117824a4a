// Checks on the pictures Pictarn writes, as decoded by the host's libjpeg.
#pragma once

#include <gtest/gtest.h>

#include "jpeg_file.hpp"
#include "test_picture.hpp"

namespace e2e {

// Within 40 of `want` in each channel: JPEG's loss at the qualities the
// tests use and the averaging of a scaling stay well inside that, while a
// swapped channel or a wrong colour-table entry does not.
::testing::AssertionResult PixelNear(const RgbImage& image, int x, int y, const Rgb& want);

// The upper half is `top` and the lower half `bottom`, sampled at the left
// edge, the middle and the right edge, away from the line between the halves.
::testing::AssertionResult ShowsBands(const RgbImage& image, const Rgb& top, const Rgb& bottom);

}  // namespace e2e
