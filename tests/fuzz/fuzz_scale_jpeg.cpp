// Fuzz target: scaling and the JPEG step on small pictures of any size, with
// the width, height and quality a hand-edited settings file may hold, saved
// into a temporary folder the way a screenshot run does it (ImageResize, then
// ImageSaveJpeg on IMAGE_SCREENSHOT).
//
// Input layout (little-endian):
//   0      picture width - 1 (mod 48)      1      picture height - 1 (mod 48)
//   2..5   settings width (int32)          6..9   settings height (int32)
//   10     settings quality (int8)
//   11     bit 0: make the write fail once 12..13 (uint16) bytes reached the file
//   14..   pixel bytes, repeated to fill the picture (blue, green, red, unused)
//
// Oracles besides the sanitizers:
//  - the fast scaling, and the slot's own through ImageResize, give the same
//    bytes as the reference rule;
//  - the slot ends at the requested size, or at the picture's own size when
//    the requested one is zero or less;
//  - the save succeeds exactly when the size is within libjpeg's 65500 and
//    no write failure was injected before the end; a written file decodes at
//    that size with the frame type its quality calls for (16-bit tables, SOF1,
//    below libjpeg quality 25); a failed save leaves the previous file as it
//    was and no partial file behind.
#include "platform/common/image_scale.hpp"
#include "platform/common/image_slots.hpp"
#include "platform/common/jpeg_write.hpp"
#include "support/jpeg_markers.hpp"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t kMaxSide = 48;
// Larger outputs only slow the search down; 65501 x 1 still fits.
constexpr std::uint64_t kMaxOutputPixels = std::uint64_t{1} << 16;
constexpr std::int32_t kJpegLimit = 65500;
constexpr std::size_t kHeaderSize = 14;

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string g_folder;

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

std::int32_t ReadI32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return static_cast<std::int32_t>(v);
}

bool SamePixels(const platform::Picture& a, const platform::Picture& b) {
    return a.width == b.width && a.height == b.height &&
           std::memcmp(a.pixels.get(), b.pixels.get(), a.Stride() * static_cast<std::size_t>(a.height)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (std::filesystem::temp_directory_path() / "pictarn-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    g_folder = pattern + "/";
    std::atexit(RemoveFolder);
    platform::JpegEncoderRegister();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderSize) return 0;
    const std::int32_t sourceWidth = data[0] % kMaxSide + 1;
    const std::int32_t sourceHeight = data[1] % kMaxSide + 1;
    const std::int32_t width = ReadI32(data + 2);
    const std::int32_t height = ReadI32(data + 6);
    const std::int32_t quality = static_cast<std::int8_t>(data[10]);
    const bool injectFailure = (data[11] & 1) != 0;
    const long failAfter = data[12] | data[13] << 8;
    if (width > 0 && height > 0 &&
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxOutputPixels) {
        return 0;
    }

    auto source = platform::PictureCreate(sourceWidth, sourceHeight);
    Check(source != nullptr);
    const std::size_t bytes = source->Stride() * static_cast<std::size_t>(sourceHeight);
    const std::uint8_t* fill = data + kHeaderSize;
    const std::size_t fillSize = size - kHeaderSize;
    for (std::size_t i = 0; i < bytes; ++i) source->pixels[i] = fillSize ? fill[i % fillSize] : 0;

    const bool scaled = width > 0 && height > 0 && !(width == sourceWidth && height == sourceHeight);
    std::unique_ptr<platform::Picture> reference;
    if (scaled) {
        reference = platform::ScalePictureReference(*source, width, height);
        auto fast = platform::ScalePicture(*source, width, height);
        Check(fast && reference && SamePixels(*fast, *reference));
    }

    // The slot's own way of scaling (which may work in place) must give the
    // same bytes.
    platform::ImageSlotPutPicture(platform::IMAGE_SCREENSHOT, std::move(source));
    platform::ImageResize(platform::IMAGE_SCREENSHOT, width, height);
    const platform::Picture* held = platform::ImageSlotPicture(platform::IMAGE_SCREENSHOT);
    Check(held != nullptr);
    const std::int32_t outWidth = scaled ? width : sourceWidth;
    const std::int32_t outHeight = scaled ? height : sourceHeight;
    Check(held->width == outWidth && held->height == outHeight);
    if (scaled) Check(SamePixels(*held, *reference));

    const std::string path = g_folder + "new.jpeg";
    const std::vector<std::uint8_t> before = testsupport::ReadFileBytes(path);
    if (injectFailure) platform::JpegFailNextWriteAfter(failAfter);
    const bool saved = platform::ImageSaveJpeg(platform::IMAGE_SCREENSHOT, path, quality) != 0;
    platform::JpegFailNextWriteAfter(-1);
    Check(!std::filesystem::exists(path + ".part"));

    const bool fits = outWidth <= kJpegLimit && outHeight <= kJpegLimit;
    if (!saved) {
        Check(!fits || injectFailure);
        Check(testsupport::ReadFileBytes(path) == before);
        return 0;
    }
    Check(fits);
    const std::vector<std::uint8_t> written = testsupport::ReadFileBytes(path);
    if (injectFailure) Check(written.size() < static_cast<std::size_t>(failAfter));
    const testsupport::JpegMarkers markers = testsupport::InspectJpeg(written);
    Check(markers.valid && markers.width == outWidth && markers.height == outHeight && markers.components == 3);
    Check(markers.frameMarker == (platform::JpegQuality(quality) < 25 ? 0xC1 : 0xC0));
    const testsupport::DecodedJpeg decoded = testsupport::DecodeJpeg(written);
    Check(decoded.ok && decoded.width == outWidth && decoded.height == outHeight);
    return 0;
}
