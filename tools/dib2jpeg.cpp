// dib2jpeg INPUT.bmp OUTPUT.jpeg WIDTH HEIGHT QUALITY
//
// Runs the screenshot pipeline on a BMP file instead of the clipboard: the
// bytes after the 14-byte file header are decoded like a CF_DIB block, put
// into the screenshot slot, scaled with ImageResize and saved with
// ImageSaveJpeg. Exit 0 when saved, 1 when the pipeline fails, 2 on bad
// arguments.
#include "platform/common/dib_decode.hpp"
#include "platform/common/image_slots.hpp"
#include "platform/common/raw_file.hpp"
#include "platform/platform.hpp"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>

namespace {

constexpr std::size_t kFileHeaderSize = 14;

bool ParseInt32(const char* text, std::int32_t& value) {
    const char* end = text + std::char_traits<char>::length(text);
    auto [stop, error] = std::from_chars(text, end, value);
    return text != end && error == std::errc{} && stop == end;
}

int Fail(const std::string& reason) {
    std::fprintf(stderr, "dib2jpeg: %s\n", reason.c_str());
    return 1;
}

struct FileBytes {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
};

// The whole file in one read; no data when it cannot be read.
FileBytes ReadWholeFile(const std::string& name) {
    namespace raw = platform::raw;
    FileBytes bytes;
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(name, error);
    if (error || size > SIZE_MAX) return bytes;
    raw::FileId file = raw::FileOpenRead(name);
    if (file == raw::kNoFile) return bytes;
    bytes.data.reset(new (std::nothrow) std::uint8_t[size > 0 ? size : 1]);
    long got = bytes.data ? raw::FileRead(file, bytes.data.get(), size) : -1;
    raw::FileCloseRaw(file);
    if (got < 0 || static_cast<std::uintmax_t>(got) != size) bytes.data.reset();
    bytes.size = bytes.data ? static_cast<std::size_t>(size) : 0;
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    std::int32_t width = 0, height = 0, quality = 0;
    if (argc != 6 || !ParseInt32(argv[3], width) || !ParseInt32(argv[4], height) ||
        !ParseInt32(argv[5], quality)) {
        std::fputs("usage: dib2jpeg INPUT.bmp OUTPUT.jpeg WIDTH HEIGHT QUALITY\n", stderr);
        return 2;
    }
    const std::string input = argv[1];
    const std::string output = argv[2];
    const int slot = platform::IMAGE_SCREENSHOT;

    {
        FileBytes file = ReadWholeFile(input);
        if (!file.data) return Fail("cannot read " + input);
        if (file.size < kFileHeaderSize || file.data[0] != 'B' || file.data[1] != 'M') {
            return Fail(input + " is not a BMP file");
        }
        auto picture = platform::DecodeDib(file.data.get() + kFileHeaderSize, file.size - kFileHeaderSize);
        if (!picture) return Fail(input + " holds no picture that can be read");
        platform::ImageSlotPutPicture(slot, std::move(picture));
    }

    // Like a screenshot: a failed scaling keeps the unscaled picture.
    platform::ImageResize(slot, width, height);
    platform::JpegEncoderRegister();
    int saved = platform::ImageSaveJpeg(slot, output, quality);
    platform::ImageSlotsReleaseAll();
    return saved ? 0 : Fail("cannot write " + output);
}
