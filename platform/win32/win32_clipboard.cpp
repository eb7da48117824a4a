// The clipboard: ClipboardGetImage reads the CF_DIB picture through the
// shared decoder; ClipboardClear empties the clipboard.
#include "platform/common/dib_decode.hpp"
#include "platform/common/image_slots.hpp"
#include "win32_state.hpp"

namespace platform {

namespace {

// The clipboard, opened without an owner window for the life of the object.
class OpenedClipboard {
public:
    OpenedClipboard() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_;
};

class LockedBlock {
public:
    explicit LockedBlock(HANDLE block) : block_(block), data_(GlobalLock(block)) {}
    ~LockedBlock() {
        if (data_) GlobalUnlock(block_);
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;
    const std::uint8_t* Data() const { return static_cast<const std::uint8_t*>(data_); }
    std::size_t Size() const { return data_ ? GlobalSize(block_) : 0; }

private:
    HANDLE block_;
    void* data_;
};

}  // namespace

NativeHandle ClipboardGetImage(int slot) {
    const OpenedClipboard clipboard;
    if (!clipboard) return 0;
    const HANDLE block = GetClipboardData(CF_DIB);
    if (!block) return 0;
    const LockedBlock locked(block);
    if (!locked.Data()) return 0;
    std::unique_ptr<Picture> picture = DecodeDib(locked.Data(), locked.Size());
    if (!picture) return 0;
    return ImageSlotPutPicture(slot, std::move(picture));
}

int ClipboardClear() {
    if (!OpenClipboard(nullptr)) return 0;
    const BOOL emptied = EmptyClipboard();
    CloseClipboard();
    return emptied ? 1 : 0;
}

}  // namespace platform
