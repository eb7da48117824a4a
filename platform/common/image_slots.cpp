// The numbered image slots and the two picture operations every backend
// shares: ImageResize (smooth scaling) and ImageSaveJpeg (the JPEG step).
#include "image_slots.hpp"

#include "image_scale.hpp"
#include "jpeg_write.hpp"

#include <array>
#include <utility>

namespace platform {
namespace {

struct ImageSlot {
    std::unique_ptr<Picture> picture;
    NativeHandle native = 0;
    void (*releaseNative)(NativeHandle) = nullptr;
    // Kept as 16-bit values, like the desktop's own bitmap records.
    std::int16_t width = 0;
    std::int16_t height = 0;
};

std::array<ImageSlot, kImageSlotCount> g_slots;
bool g_jpegEncoderRegistered = false;

ImageSlot* SlotAt(int slot) {
    if (slot < 0 || slot >= kImageSlotCount) return nullptr;
    return &g_slots[static_cast<std::size_t>(slot)];
}

bool IsEmpty(const ImageSlot& s) { return !s.picture && s.native == 0; }

NativeHandle HandleOf(const Picture& picture) { return reinterpret_cast<NativeHandle>(&picture); }

void Clear(ImageSlot& s) {
    s.picture.reset();
    if (s.native != 0 && s.releaseNative) s.releaseNative(s.native);
    s = ImageSlot{};
}

}  // namespace

NativeHandle ImageSlotPutPicture(int slot, std::unique_ptr<Picture> picture) {
    ImageSlot* s = SlotAt(slot);
    if (!s || !picture) return 0;
    Clear(*s);
    s->width = static_cast<std::int16_t>(picture->width);
    s->height = static_cast<std::int16_t>(picture->height);
    s->picture = std::move(picture);
    return HandleOf(*s->picture);
}

NativeHandle ImageSlotPutNative(int slot, NativeHandle handle, std::int32_t width, std::int32_t height,
                                void (*release)(NativeHandle)) {
    if (handle == 0) return 0;
    ImageSlot* s = SlotAt(slot);
    if (!s) {
        if (release) release(handle);
        return 0;
    }
    Clear(*s);
    s->native = handle;
    s->releaseNative = release;
    s->width = static_cast<std::int16_t>(width);
    s->height = static_cast<std::int16_t>(height);
    return handle;
}

const Picture* ImageSlotPicture(int slot) {
    const ImageSlot* s = SlotAt(slot);
    return s ? s->picture.get() : nullptr;
}

std::int16_t ImageSlotWidth(int slot) {
    const ImageSlot* s = SlotAt(slot);
    return s ? s->width : 0;
}

std::int16_t ImageSlotHeight(int slot) {
    const ImageSlot* s = SlotAt(slot);
    return s ? s->height : 0;
}

void ImageSlotRelease(int slot) {
    if (ImageSlot* s = SlotAt(slot)) Clear(*s);
}

void ImageSlotsReleaseAll() {
    for (ImageSlot& s : g_slots) Clear(s);
}

void JpegEncoderRegister() { g_jpegEncoderRegistered = true; }
void JpegEncoderUnregister() { g_jpegEncoderRegistered = false; }

NativeHandle ImageResize(int slot, std::int32_t width, std::int32_t height) {
    ImageSlot* s = SlotAt(slot);
    if (!s || IsEmpty(*s)) return 0;
    // The recorded 16-bit size, widened with its sign, decides the shortcut.
    if (s->width == width && s->height == height) {
        return s->picture ? HandleOf(*s->picture) : s->native;
    }
    // Icons are not scaled; a size of zero or less keeps the unscaled
    // picture so that it is still written at its own size.
    if (!s->picture || width <= 0 || height <= 0) return 0;

    // A reduction is written over the picture it reads, which the scaling
    // releases anyway: no second picture, and no fresh memory to touch.
    if (!ScalePictureInPlace(*s->picture, width, height)) {
        std::unique_ptr<Picture> scaled = ScalePicture(*s->picture, width, height);
        if (!scaled) return 0;
        s->picture = std::move(scaled);
    }
    s->width = static_cast<std::int16_t>(width);
    s->height = static_cast<std::int16_t>(height);
    return HandleOf(*s->picture);
}

int ImageSaveJpeg(int slot, const std::string& path, std::int32_t quality) {
    const ImageSlot* s = SlotAt(slot);
    if (!s || !s->picture || !g_jpegEncoderRegistered) return 0;
    return JpegWriteFile(path, *s->picture, quality) ? 1 : 0;
}

}  // namespace platform
