// Image slots with ImageResize and ImageSaveJpeg: empty and out-of-range
// slots, the encoder registration, the equal-size shortcut on the 16-bit
// recorded size, sizes of zero or less, failed scalings and native pictures.
#include "platform/common/image_slots.hpp"

#include "support/jpeg_markers.hpp"
#include "support/temp_folder.hpp"
#include "support/test_pictures.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

namespace {

using platform::ImageResize;
using platform::ImageSaveJpeg;
using platform::ImageSlotHeight;
using platform::ImageSlotPicture;
using platform::ImageSlotWidth;
using platform::NativeHandle;

constexpr int kSlot = platform::IMAGE_SCREENSHOT;

class ImageSlotsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        platform::ImageSlotsReleaseAll();
        platform::JpegEncoderRegister();
    }
    void TearDown() override {
        platform::ImageSlotsReleaseAll();
        platform::JpegEncoderUnregister();
    }

    // A 12 x 6 picture, like a capture; returns its handle.
    NativeHandle Capture() {
        return platform::ImageSlotPutPicture(kSlot, testsupport::MakeFlatPicture(12, 6, 0x3366CC));
    }
    std::string Target() const { return temp_.File("new.jpeg"); }
    // Size of the written JPEG's frame, {0, 0} when nothing was written.
    std::pair<int, int> WrittenSize() const {
        auto info = testsupport::InspectJpeg(testsupport::ReadFileBytes(Target()));
        return info.valid ? std::pair{info.width, info.height} : std::pair{0, 0};
    }

    testsupport::TempFolder temp_;
};

TEST_F(ImageSlotsTest, EmptyAndOutOfRangeSlotsDoNothing) {
    for (int slot : {kSlot, -1, platform::kImageSlotCount}) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(ImageResize(slot, 10, 10), 0u);
        EXPECT_EQ(ImageSaveJpeg(slot, Target(), 7), 0);
        EXPECT_FALSE(std::filesystem::exists(Target()));
    }
    EXPECT_EQ(platform::ImageSlotPutPicture(-1, testsupport::MakeFlatPicture(2, 2, 0)), 0u);
    EXPECT_EQ(platform::ImageSlotPutPicture(platform::kImageSlotCount, testsupport::MakeFlatPicture(2, 2, 0)), 0u);
}

TEST_F(ImageSlotsTest, SavingNeedsTheRegisteredEncoder) {
    Capture();
    platform::JpegEncoderUnregister();
    EXPECT_EQ(ImageSaveJpeg(kSlot, Target(), 7), 0);
    EXPECT_FALSE(std::filesystem::exists(Target()));

    platform::JpegEncoderRegister();
    EXPECT_EQ(ImageSaveJpeg(kSlot, Target(), 7), 1);
    EXPECT_EQ(WrittenSize(), (std::pair{12, 6}));
}

TEST_F(ImageSlotsTest, SaveFailureGivesZero) {
    Capture();
    EXPECT_EQ(ImageSaveJpeg(kSlot, temp_.File("absent/new.jpeg"), 7), 0);
}

TEST_F(ImageSlotsTest, EqualSizeKeepsTheHeldPicture) {
    NativeHandle captured = Capture();
    const platform::Picture* before = ImageSlotPicture(kSlot);
    EXPECT_EQ(ImageResize(kSlot, 12, 6), captured);
    EXPECT_EQ(ImageSlotPicture(kSlot), before);
}

TEST_F(ImageSlotsTest, ScalingStoresTheNewPictureAndRequestedSize) {
    Capture();
    NativeHandle scaled = ImageResize(kSlot, 5, 9);
    ASSERT_NE(scaled, 0u);
    const platform::Picture* held = ImageSlotPicture(kSlot);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(scaled, reinterpret_cast<NativeHandle>(held));
    EXPECT_EQ(held->width, 5);
    EXPECT_EQ(held->height, 9);
    EXPECT_EQ(ImageSlotWidth(kSlot), 5);
    EXPECT_EQ(ImageSlotHeight(kSlot), 9);
    // A flat colour stays that colour through the averaging.
    EXPECT_EQ(held->Row(8)[0], 0xCC);
    EXPECT_EQ(held->Row(8)[2], 0x33);

    EXPECT_EQ(ImageResize(kSlot, 5, 9), scaled);  // between runs: nothing to do
    EXPECT_EQ(ImageSaveJpeg(kSlot, Target(), 7), 1);
    EXPECT_EQ(WrittenSize(), (std::pair{5, 9}));
}

struct Size {
    std::int32_t width;
    std::int32_t height;
};

std::ostream& operator<<(std::ostream& out, const Size& s) { return out << s.width << "x" << s.height; }

class ImageSlotsUnscaledTest : public ImageSlotsTest, public ::testing::WithParamInterface<Size> {};

// Sizes of zero or less, and pictures too large to make: the capture stays
// and is written at its own size.
TEST_P(ImageSlotsUnscaledTest, FailedScalingKeepsTheCapture) {
    Capture();
    const platform::Picture* before = ImageSlotPicture(kSlot);
    EXPECT_EQ(ImageResize(kSlot, GetParam().width, GetParam().height), 0u);
    EXPECT_EQ(ImageSlotPicture(kSlot), before);
    EXPECT_EQ(ImageSlotWidth(kSlot), 12);
    EXPECT_EQ(ImageSlotHeight(kSlot), 6);
    EXPECT_EQ(ImageSaveJpeg(kSlot, Target(), 7), 1);
    EXPECT_EQ(WrittenSize(), (std::pair{12, 6}));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImageSlotsUnscaledTest,
                         ::testing::Values(Size{0, 6}, Size{12, 0}, Size{0, 0}, Size{-5, 6}, Size{12, -1},
                                           Size{-2147483647 - 1, 10}, Size{30000, 30000}));

TEST_F(ImageSlotsTest, RecordedSizeIsSixteenBitsWide) {
    Capture();
    // 40000 is recorded as -25536; the picture itself is 40000 wide.
    NativeHandle wide = ImageResize(kSlot, 40000, 1);
    ASSERT_NE(wide, 0u);
    EXPECT_EQ(ImageSlotWidth(kSlot), -25536);
    EXPECT_EQ(ImageSlotPicture(kSlot)->width, 40000);
    // The shortcut compares the sign-extended field, so -25536 matches ...
    EXPECT_EQ(ImageResize(kSlot, -25536, 1), wide);
    // ... and the save uses the picture's own width.
    EXPECT_EQ(ImageSaveJpeg(kSlot, Target(), 7), 1);
    EXPECT_EQ(WrittenSize(), (std::pair{40000, 1}));
    // 40000 itself does not match the field and scales again.
    NativeHandle again = ImageResize(kSlot, 40000, 1);
    EXPECT_NE(again, 0u);
    EXPECT_EQ(ImageSlotPicture(kSlot)->width, 40000);
}

int g_releasedCount = 0;
NativeHandle g_releasedHandle = 0;
void CountRelease(NativeHandle handle) {
    ++g_releasedCount;
    g_releasedHandle = handle;
}

TEST_F(ImageSlotsTest, NativePicturesAreNeitherScaledNorSaved) {
    g_releasedCount = 0;
    constexpr NativeHandle kIcon = 0x4321;
    constexpr int kIconSlot = platform::IMAGE_TRAY_ICON;
    ASSERT_EQ(platform::ImageSlotPutNative(kIconSlot, kIcon, 16, 16, CountRelease), kIcon);
    EXPECT_EQ(ImageSlotPicture(kIconSlot), nullptr);

    EXPECT_EQ(ImageResize(kIconSlot, 16, 16), kIcon);
    EXPECT_EQ(ImageResize(kIconSlot, 32, 32), 0u);
    EXPECT_EQ(ImageSlotWidth(kIconSlot), 16);
    EXPECT_EQ(ImageSaveJpeg(kIconSlot, Target(), 7), 0);
    EXPECT_FALSE(std::filesystem::exists(Target()));
    EXPECT_EQ(g_releasedCount, 0);

    // A picture put over it lets the native one go, exactly once.
    platform::ImageSlotPutPicture(kIconSlot, testsupport::MakeFlatPicture(3, 3, 0));
    EXPECT_EQ(g_releasedCount, 1);
    EXPECT_EQ(g_releasedHandle, kIcon);
    platform::ImageSlotRelease(kIconSlot);
    EXPECT_EQ(g_releasedCount, 1);
    EXPECT_EQ(ImageSlotPicture(kIconSlot), nullptr);
}

TEST_F(ImageSlotsTest, ReleaseAllEmptiesEverySlot) {
    g_releasedCount = 0;
    Capture();
    platform::ImageSlotPutNative(platform::IMAGE_TRAY_ICON, 0x99, 16, 16, CountRelease);
    platform::ImageSlotsReleaseAll();
    EXPECT_EQ(g_releasedCount, 1);
    EXPECT_EQ(ImageSlotPicture(kSlot), nullptr);
    EXPECT_EQ(ImageResize(kSlot, 12, 6), 0u);
    EXPECT_EQ(ImageResize(platform::IMAGE_TRAY_ICON, 16, 16), 0u);
}

}  // namespace
