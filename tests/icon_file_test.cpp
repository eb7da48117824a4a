// Checks the committed application icon, resources/pictarn.ico: six 32-bit
// entries of 256, 128, 48, 32, 24 and 16 px, each one readable by the
// Windows icon loader (PNG for 256 px, a 32-bit DIB with its mask below).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Le16(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
std::uint32_t Le32(const Bytes& b, std::size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
std::uint32_t Be32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

struct DirEntry {
    int width;   // the stored byte, 0 meaning 256
    int height;
    int planes;
    int bitCount;
    std::uint32_t bytes;
    std::uint32_t offset;
};

constexpr int kExpectedSizes[] = {256, 128, 48, 32, 24, 16};
constexpr std::size_t kEntryCount = std::size(kExpectedSizes);

class IconFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        file_ = new Bytes(ReadWholeFile(std::string(PICTARN_SOURCE_DIR) + "/resources/pictarn.ico"));
    }
    static void TearDownTestSuite() {
        delete file_;
        file_ = nullptr;
    }

    void SetUp() override {
        ASSERT_GE(file_->size(), 6 + 16 * kEntryCount) << "resources/pictarn.ico missing or cut short";
    }

    static const Bytes& File() { return *file_; }
    static DirEntry Entry(std::size_t i) {
        const std::size_t at = 6 + 16 * i;
        return {File()[at], File()[at + 1], int(Le16(File(), at + 4)), int(Le16(File(), at + 6)),
                Le32(File(), at + 8), Le32(File(), at + 12)};
    }

private:
    static Bytes* file_;
};

Bytes* IconFile::file_ = nullptr;

TEST_F(IconFile, HeaderDeclaresAnIconWithSixEntries) {
    EXPECT_EQ(Le16(File(), 0), 0u);  // reserved
    EXPECT_EQ(Le16(File(), 2), 1u);  // 1 = icon, 2 = cursor
    EXPECT_EQ(Le16(File(), 4), kEntryCount);
}

TEST_F(IconFile, EntriesHaveTheSixSizesAt32BitsAndStayInsideTheFile) {
    std::uint32_t end = 6 + 16 * kEntryCount;
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const DirEntry e = Entry(i);
        EXPECT_EQ(e.width, kExpectedSizes[i] % 256);
        EXPECT_EQ(e.height, kExpectedSizes[i] % 256);
        EXPECT_EQ(e.planes, 1);
        EXPECT_EQ(e.bitCount, 32);
        // Entries follow one another without gaps or overlaps.
        EXPECT_EQ(e.offset, end);
        end = e.offset + e.bytes;
    }
    EXPECT_EQ(end, File().size());
}

TEST_F(IconFile, LargestEntryIsA256PixelRgbaPng) {
    const DirEntry e = Entry(0);
    ASSERT_GE(e.bytes, 8u + 25u);
    const Bytes& b = File();
    const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    for (int k = 0; k < 8; ++k) ASSERT_EQ(b[e.offset + k], signature[k]) << "byte " << k;
    const std::size_t ihdr = e.offset + 8;
    EXPECT_EQ(std::string(b.begin() + ihdr + 4, b.begin() + ihdr + 8), "IHDR");
    EXPECT_EQ(Be32(b, ihdr + 8), 256u);   // width
    EXPECT_EQ(Be32(b, ihdr + 12), 256u);  // height
    EXPECT_EQ(b[ihdr + 16], 8);           // bits per channel
    EXPECT_EQ(b[ihdr + 17], 6);           // colour type: RGBA
}

// The smaller entries are BITMAPINFOHEADER + bottom-up BGRA rows + AND mask.
TEST_F(IconFile, SmallerEntriesAre32BitDibsWithAMatchingMask) {
    const Bytes& b = File();
    for (std::size_t i = 1; i < kEntryCount; ++i) {
        const int size = kExpectedSizes[i];
        SCOPED_TRACE("size " + std::to_string(size));
        const DirEntry e = Entry(i);
        const std::size_t colorBytes = std::size_t(size) * size * 4;
        const std::size_t maskStride = (size + 31) / 32 * 4;
        ASSERT_EQ(e.bytes, 40 + colorBytes + maskStride * size);

        const std::size_t h = e.offset;
        EXPECT_EQ(Le32(b, h), 40u);
        EXPECT_EQ(Le32(b, h + 4), std::uint32_t(size));
        EXPECT_EQ(Le32(b, h + 8), std::uint32_t(2 * size));  // colour rows plus mask rows
        EXPECT_EQ(Le16(b, h + 12), 1u);
        EXPECT_EQ(Le16(b, h + 14), 32u);
        EXPECT_EQ(Le32(b, h + 16), 0u);  // BI_RGB

        const std::size_t pixels = h + 40;
        const std::size_t mask = pixels + colorBytes;
        int transparent = 0;
        int mismatches = 0;
        for (int row = 0; row < size; ++row) {
            for (int x = 0; x < size; ++x) {
                const std::uint8_t alpha = b[pixels + (std::size_t(row) * size + x) * 4 + 3];
                const bool maskBit = b[mask + row * maskStride + x / 8] & (0x80 >> (x % 8));
                transparent += alpha == 0;
                mismatches += maskBit != (alpha == 0);
            }
        }
        // Real transparency, and the mask agrees with it for old loaders.
        EXPECT_GT(transparent, 0);
        EXPECT_EQ(mismatches, 0);
        // The middle of the picture is solid.
        EXPECT_EQ(b[pixels + (std::size_t(size / 2) * size + size / 2) * 4 + 3], 255);
    }
}

}  // namespace
