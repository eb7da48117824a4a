// dib2jpeg INPUT.bmp OUTPUT.jpeg WIDTH HEIGHT QUALITY
//
// Runs the screenshot pipeline on a BMP file instead of the clipboard: the
// bytes after the 14-byte file header are decoded like a CF_DIB block, put
// into the screenshot slot, scaled with ImageResize and saved with
// ImageSaveJpeg. Exit 0 when saved, 1 when the pipeline fails, 2 on bad
// arguments.
//
// A BMP whose rows already have the held picture's layout (32 bits, the
// screen's own format) is never decoded into a copy. Scaled, it is read a
// band at a time straight into the scaling (ScaleLines), so that only the
// scaled picture is held; written at its own size, its lines go from the
// file to the JPEG step a few at a time, as cjpeg reads its input; should
// the scaling fail, it is read row by row into a held picture and takes the
// program's road. Its fourth bytes, which neither the scaling nor the JPEG
// step reads, stay as the file has them. Same pixels, same file. Every
// other BMP is read whole and decoded.
#include "platform/common/dib_decode.hpp"
#include "platform/common/image_scale.hpp"
#include "platform/common/image_slots.hpp"
#include "platform/common/jpeg_write.hpp"
#include "platform/platform.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

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

// An open file descriptor, closed when it goes.
class InputFile {
public:
    explicit InputFile(const std::string& name) : fd_(open(name.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~InputFile() {
        if (fd_ >= 0) close(fd_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // The size of a regular file, or -1.
    long long Size() const {
        struct stat st {};
        return fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1;
    }
    // Exactly `size` bytes from `offset` on, or false.
    bool ReadAt(std::uint8_t* to, std::size_t size, off_t offset) const {
        while (size > 0) {
            const ssize_t got = pread(fd_, to, size, offset);
            if (got <= 0) return false;
            to += got;
            size -= static_cast<std::size_t>(got);
            offset += got;
        }
        return true;
    }
    // Consecutive file ranges into the buffers `parts`, as few calls as the
    // system allows; falls back to one range at a time after a short read.
    bool ReadScattered(const std::vector<iovec>& parts, off_t offset) const {
        for (std::size_t first = 0; first < parts.size();) {
            const std::size_t count = std::min<std::size_t>(parts.size() - first, IOV_MAX);
            std::size_t expected = 0;
            for (std::size_t i = first; i < first + count; ++i) expected += parts[i].iov_len;
            const ssize_t got = preadv(fd_, parts.data() + first, static_cast<int>(count), offset);
            if (got < 0) return false;
            if (static_cast<std::size_t>(got) != expected) {
                for (std::size_t i = first; i < first + count; ++i) {
                    if (!ReadAt(static_cast<std::uint8_t*>(parts[i].iov_base), parts[i].iov_len, offset)) return false;
                    offset += static_cast<off_t>(parts[i].iov_len);
                }
            } else {
                offset += got;
            }
            first += count;
        }
        return true;
    }

private:
    int fd_;
};

// Where the rows of a BMP lie when they need no decoding; false when the
// file must be decoded.
bool FindDirectRows(const InputFile& file, std::size_t fileSize, platform::DibRows& rows) {
    std::uint8_t head[kFileHeaderSize + platform::kDibHeadBytes];
    const std::size_t headSize = std::min(fileSize, sizeof head);
    return file.ReadAt(head, headSize, 0) &&
           platform::DibDirectRows(head + kFileHeaderSize, headSize - kFileHeaderSize, fileSize - kFileHeaderSize,
                                   rows);
}

// Such a BMP's picture, read row by row into place.
std::unique_ptr<platform::Picture> ReadDirect(const InputFile& file, const platform::DibRows& rows) {
    auto picture = platform::PictureCreate(rows.width, rows.height);
    if (!picture) return nullptr;
    std::vector<iovec> parts(static_cast<std::size_t>(rows.height));
    for (std::int32_t stored = 0; stored < rows.height; ++stored) {
        const std::int32_t y = rows.topDown ? stored : rows.height - 1 - stored;
        parts[static_cast<std::size_t>(stored)] = {picture->Row(y), picture->Stride()};
    }
    // 32-bit rows have no padding: the stored rows follow each other.
    if (!file.ReadScattered(parts, static_cast<off_t>(kFileHeaderSize + rows.offset))) return nullptr;
    return picture;
}

// Such a BMP's lines, top line first, read a few at a time into one small
// buffer: what the JPEG step needs when nothing is to be scaled.
class DirectLines {
public:
    DirectLines(const InputFile& file, const platform::DibRows& rows)
        : file_(file), rows_(rows),
          chunkLines_(std::max<std::int32_t>(1, static_cast<std::int32_t>(kChunkBytes / rows.stride))),
          buffer_(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(chunkLines_) * rows.stride]) {}

    const std::uint8_t* operator()(std::int32_t y) {
        if (!buffer_) return nullptr;
        if (y < first_ || y >= first_ + count_) {
            first_ = y;
            count_ = std::min(chunkLines_, rows_.height - y);
            // Lines y .. y + count - 1 are stored next to each other, upwards
            // in a bottom-up file.
            const std::int32_t stored = rows_.topDown ? y : rows_.height - y - count_;
            const off_t offset = static_cast<off_t>(kFileHeaderSize + rows_.offset +
                                                    static_cast<std::size_t>(stored) * rows_.stride);
            if (!file_.ReadAt(buffer_.get(), static_cast<std::size_t>(count_) * rows_.stride, offset)) {
                count_ = 0;
                return nullptr;
            }
        }
        const std::int32_t at = rows_.topDown ? y - first_ : count_ - 1 - (y - first_);
        return buffer_.get() + static_cast<std::size_t>(at) * rows_.stride;
    }

private:
    static constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
    const InputFile& file_;
    platform::DibRows rows_;
    std::int32_t chunkLines_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int32_t first_ = 0;
    std::int32_t count_ = 0;
};

// Such a BMP's lines a band at a time, for a scaling that reads them in
// order: each band is read straight into one reused buffer of 2 MiB or the
// most lines one destination line needs.
class DirectBands {
public:
    DirectBands(const InputFile& file, const platform::DibRows& rows, std::int32_t mostLines)
        : file_(file), rows_(rows),
          capacity_(std::min(rows.height, std::max(mostLines, static_cast<std::int32_t>(kBandBytes / rows.stride)))),
          buffer_(platform::PictureCreate(rows.width, capacity_)) {}

    const std::uint8_t* operator()(std::int32_t first, std::int32_t count) {
        if (!buffer_ || first < 0 || count <= 0 || count > capacity_ || first + count > rows_.height) return nullptr;
        if (first < first_ || first + count > first_ + count_) {
            first_ = first;
            count_ = std::min(capacity_, rows_.height - first);
            std::vector<iovec> parts(static_cast<std::size_t>(count_));
            for (std::int32_t i = 0; i < count_; ++i) {
                // A bottom-up file stores the band's last line first.
                const std::int32_t line = rows_.topDown ? i : count_ - 1 - i;
                parts[static_cast<std::size_t>(i)] = {buffer_->Row(line), rows_.stride};
            }
            const std::int32_t stored = rows_.topDown ? first_ : rows_.height - first_ - count_;
            const off_t offset = static_cast<off_t>(kFileHeaderSize + rows_.offset +
                                                    static_cast<std::size_t>(stored) * rows_.stride);
            if (!file_.ReadScattered(parts, offset)) {
                count_ = 0;
                return nullptr;
            }
        }
        return buffer_->Row(first - first_);
    }

private:
    static constexpr std::size_t kBandBytes = std::size_t{2} << 20;
    const InputFile& file_;
    platform::DibRows rows_;
    std::int32_t capacity_;
    std::unique_ptr<platform::Picture> buffer_;
    std::int32_t first_ = 0;
    std::int32_t count_ = 0;
};

// The whole file decoded like a CF_DIB block.
std::unique_ptr<platform::Picture> ReadAndDecode(const InputFile& file, std::size_t fileSize) {
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[fileSize]);
    if (!bytes || !file.ReadAt(bytes.get(), fileSize, 0)) return nullptr;
    return platform::DecodeDib(bytes.get() + kFileHeaderSize, fileSize - kFileHeaderSize);
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
        const InputFile file(input);
        const long long size = file.IsOpen() ? file.Size() : -1;
        if (size < 0 || static_cast<unsigned long long>(size) > SIZE_MAX) return Fail("cannot read " + input);
        const auto fileSize = static_cast<std::size_t>(size);
        std::uint8_t magic[2] = {0, 0};
        if (fileSize < kFileHeaderSize || !file.ReadAt(magic, 2, 0) || magic[0] != 'B' || magic[1] != 'M') {
            return Fail(input + " is not a BMP file");
        }
        platform::DibRows rows;
        const bool direct = FindDirectRows(file, fileSize, rows);
        // Written at its own size (a size of zero or less keeps it so, like a
        // failed scaling), the picture goes to the JPEG step line by line as
        // it is read, as cjpeg reads its input: the held picture would only
        // be a copy of the file on its way.
        if (direct && ((width == rows.width && height == rows.height) || width <= 0 || height <= 0)) {
            DirectLines lines(file, rows);
            const bool written = platform::JpegWriteLines(output, rows.width, rows.height, quality,
                                                          [&lines](std::int32_t y) { return lines(y); });
            return written ? 0 : Fail("cannot write " + output);
        }
        // Scaled, it is read a band at a time into the scaling, so that only
        // the scaled picture is held (its bytes are ImageResize's). Should
        // that fail, the road below holds the picture and gives the
        // program's own answer.
        std::unique_ptr<platform::Picture> picture;
        if (direct && width > 0 && height > 0) {
            DirectBands bands(file, rows, (rows.height + height - 1) / height + 1);
            picture = platform::ScaleLines(
                rows.width, rows.height, [&bands](std::int32_t first, std::int32_t count) { return bands(first, count); },
                width, height);
        }
        if (!picture) picture = direct ? ReadDirect(file, rows) : ReadAndDecode(file, fileSize);
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
