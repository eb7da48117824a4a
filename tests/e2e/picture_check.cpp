// Colour checks of decoded pictures.
#include "picture_check.hpp"

#include <cstdlib>

namespace e2e {

::testing::AssertionResult PixelNear(const RgbImage& image, int x, int y, const Rgb& want) {
    constexpr int kTolerance = 40;
    const std::array<int, 3> got = image.At(x, y);
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - want[i]) > kTolerance)
            return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << got[0] << "," << got[1]
                                                 << "," << got[2] << ", not near " << want[0] << "," << want[1]
                                                 << "," << want[2];
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ShowsBands(const RgbImage& image, const Rgb& top, const Rgb& bottom) {
    if (image.width < 4 || image.height < 8)
        return ::testing::AssertionFailure() << "picture of " << image.width << "x" << image.height;
    for (int x : {1, image.width / 2, image.width - 2}) {
        for (int y : {1, image.height / 4})
            if (auto r = PixelNear(image, x, y, top); !r) return r << " (upper half)";
        for (int y : {image.height * 3 / 4, image.height - 2})
            if (auto r = PixelNear(image, x, y, bottom); !r) return r << " (lower half)";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace e2e
