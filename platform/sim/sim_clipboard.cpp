// Simulated desktop: the clipboard and loading the tray icon's file.
#include "platform/common/dib_decode.hpp"
#include "platform/common/image_slots.hpp"
#include "platform/common/raw_file.hpp"
#include "platform/sim/sim_state.hpp"

#include <cstring>

using platform::NativeHandle;

namespace sim {

void ClipboardSetDib(std::vector<std::uint8_t> block) { D().clipboardDib = std::move(block); }
void ClipboardSetText(std::string text) { D().clipboardText = std::move(text); }
void ClipboardSetHeldByOther(bool held) { D().clipboardHeld = held; }
bool ClipboardHasDib() { return D().clipboardDib.has_value(); }
bool ClipboardHasText() { return D().clipboardText.has_value(); }
int ClipboardEmptyCount() { return D().clipboardEmptied; }

namespace {

std::vector<std::uint8_t> ReadWholeFile(const std::string& name) {
    std::vector<std::uint8_t> bytes;
    const platform::raw::FileId file = platform::raw::FileOpenRead(name);
    if (file == platform::raw::kNoFile) return bytes;
    std::uint8_t chunk[65536];
    for (long got; (got = platform::raw::FileRead(file, chunk, sizeof chunk)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    platform::raw::FileCloseRaw(file);
    return bytes;
}

std::uint32_t Le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// An icon file: reserved 0, type 1, at least one entry whose image lies
// inside the file.
bool IsIconFile(const std::vector<std::uint8_t>& f) {
    if (f.size() < 6 || Le16(&f[0]) != 0 || Le16(&f[2]) != 1) return false;
    const std::uint32_t count = Le16(&f[4]);
    if (count == 0 || f.size() < 6 + 16ull * count) return false;
    const std::uint64_t size = Le32(&f[6 + 8]);
    const std::uint64_t offset = Le32(&f[6 + 12]);
    return size > 0 && offset + size <= f.size();
}

void ReleaseNativeImage(NativeHandle handle) { D().nativeImages.erase(handle); }

}  // namespace

}  // namespace sim

namespace platform {

using sim::D;

NativeHandle ClipboardGetImage(int slot) {
    D().log.push_back("clipboard-get");
    if (D().clipboardHeld || !D().clipboardDib) return 0;
    auto picture = DecodeDib(D().clipboardDib->data(), D().clipboardDib->size());
    if (!picture) return 0;
    return ImageSlotPutPicture(slot, std::move(picture));
}

int ClipboardClear() {
    D().log.push_back("clipboard-clear");
    if (D().clipboardHeld) return 0;
    D().clipboardDib.reset();
    D().clipboardText.reset();
    ++D().clipboardEmptied;
    return 1;
}

// "BM" files load as bitmaps, everything else as icons; other formats fail.
NativeHandle ImageLoadFile(int slot, const std::string& fileName) {
    const std::vector<std::uint8_t> bytes = sim::ReadWholeFile(fileName);
    if (bytes.size() < 2) return 0;
    std::int32_t width = 0, height = 0;
    if (bytes[0] == 'B' && bytes[1] == 'M') {
        if (bytes.size() < 14) return 0;
        auto picture = DecodeDib(bytes.data() + 14, bytes.size() - 14);
        if (!picture) return 0;
        width = picture->width;
        height = picture->height;
    } else if (sim::IsIconFile(bytes)) {
        width = bytes[6] ? bytes[6] : 256;
        height = bytes[7] ? bytes[7] : 256;
    } else {
        return 0;
    }
    const NativeHandle handle = sim::NewHandle();
    D().nativeImages[handle] = fileName;
    return ImageSlotPutNative(slot, handle, width, height, sim::ReleaseNativeImage);
}

}  // namespace platform
