// The numbered image slots shared by every backend. A slot holds nothing,
// a Picture (capture, scaling) or a native icon/bitmap handle (tray icon).
#pragma once

#include "../platform.hpp"
#include "picture.hpp"

#include <cstdint>
#include <memory>

namespace platform {

constexpr int kImageSlotCount = 8;

// Stores a picture in the slot, releasing what it held; returns the handle
// the program sees for it. Out-of-range slots release the picture and give 0.
NativeHandle ImageSlotPutPicture(int slot, std::unique_ptr<Picture> picture);
// Stores a native picture; `release` is called with it when the slot lets go.
NativeHandle ImageSlotPutNative(int slot, NativeHandle handle, std::int32_t width, std::int32_t height,
                                void (*release)(NativeHandle));
// The slot's picture, nullptr when it is empty or holds a native picture.
const Picture* ImageSlotPicture(int slot);
// The recorded width and height (16-bit, as the slot keeps them).
std::int16_t ImageSlotWidth(int slot);
std::int16_t ImageSlotHeight(int slot);
void ImageSlotRelease(int slot);
void ImageSlotsReleaseAll();

// Marks the JPEG encoder as available to ImageSaveJpeg (done by PlatformStartup).
void JpegEncoderRegister();
void JpegEncoderUnregister();

}  // namespace platform
