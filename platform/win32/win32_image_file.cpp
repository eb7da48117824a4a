// ImageLoadFile: an icon or a Windows bitmap from a file into an image
// slot, held as the desktop's own picture.
#include "platform/common/image_slots.hpp"
#include "win32_state.hpp"

namespace platform {

namespace {

void IconRelease(NativeHandle icon) { DestroyIcon(reinterpret_cast<HICON>(icon)); }

void BitmapRelease(NativeHandle bitmap) { DeleteObject(reinterpret_cast<HBITMAP>(bitmap)); }

// The first two bytes of the file; false when it cannot be opened. Nobody
// else may have the file open meanwhile.
bool ReadSignature(const std::string& fileName, char (&signature)[2]) {
    const HANDLE file =
        CreateFileA(fileName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    if (!ReadFile(file, signature, sizeof signature, &done, nullptr) || done != sizeof signature) {
        signature[0] = signature[1] = 0;
    }
    CloseHandle(file);
    return true;
}

void BitmapSize(HBITMAP bitmap, std::int32_t& width, std::int32_t& height) {
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof info, &info)) {
        width = info.bmWidth;
        height = info.bmHeight;
    }
}

void IconSize(HICON icon, std::int32_t& width, std::int32_t& height) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return;
    if (info.hbmColor) {
        BitmapSize(info.hbmColor, width, height);
    } else if (info.hbmMask) {
        BitmapSize(info.hbmMask, width, height);
        height /= 2;  // a monochrome icon stacks its AND and XOR masks
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
}

}  // namespace

NativeHandle ImageLoadFile(int slot, const std::string& fileName) {
    char signature[2] = {};
    if (!ReadSignature(fileName, signature)) return 0;

    std::int32_t width = 0;
    std::int32_t height = 0;
    if (signature[0] == 'B' && signature[1] == 'M') {
        const auto bitmap =
            static_cast<HBITMAP>(LoadImageA(nullptr, fileName.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        if (!bitmap) return 0;
        BitmapSize(bitmap, width, height);
        return ImageSlotPutNative(slot, reinterpret_cast<NativeHandle>(bitmap), width, height, BitmapRelease);
    }
    // Width and height 0: the size stored in the file, not a system icon size.
    const auto icon = static_cast<HICON>(LoadImageA(nullptr, fileName.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    if (!icon) return 0;
    IconSize(icon, width, height);
    return ImageSlotPutNative(slot, reinterpret_cast<NativeHandle>(icon), width, height, IconRelease);
}

}  // namespace platform
