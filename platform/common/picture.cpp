// Creation and release of held pictures.
//
// On Linux, pictures of 2 MiB and more are mapped straight from the system,
// mostly in 2 MiB huge pages: a screen picture is written once right after it
// is made, and first touches of 4 KiB pages can cost more than the copy
// itself (tens of microseconds each in a virtual machine).
#include "picture.hpp"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t SmallPage() {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t RoundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

// A huge-page aligned mapping for `bytes`, in huge pages up to the last
// 2 MiB boundary. The remainder is rounded up to one more huge page when it
// fills at least half of one, else left in 4 KiB pages: at most 1 MiB is
// wasted and at most 256 small pages are touched.
std::uint8_t* MapPixels(std::size_t bytes, std::size_t& mappedBytes) {
    const std::size_t whole = bytes / kHugePage * kHugePage;
    const bool roundUp = bytes - whole >= kHugePage / 2;
    mappedBytes = roundUp ? RoundUp(bytes, kHugePage) : RoundUp(bytes, SmallPage());
    // Mapped with one huge page to spare so that an aligned start exists.
    const std::size_t span = mappedBytes + kHugePage;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    auto* start = static_cast<std::uint8_t*>(raw);
    const std::size_t misalign = reinterpret_cast<std::uintptr_t>(start) % kHugePage;
    const std::size_t head = misalign == 0 ? 0 : kHugePage - misalign;
    if (head != 0) munmap(start, head);
    munmap(start + head + mappedBytes, span - head - mappedBytes);
    // Advice only: without transparent huge pages the mapping still works.
    madvise(start + head, roundUp ? mappedBytes : whole, MADV_HUGEPAGE);
    return start + head;
}
#endif

}  // namespace

void PixelRelease::operator()(std::uint8_t* pixels) const {
#if defined(__linux__)
    if (mappedBytes != 0) {
        munmap(pixels, mappedBytes);
        return;
    }
#endif
    delete[] pixels;
}

std::unique_ptr<Picture> PictureCreate(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return nullptr;
    const std::uint64_t count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (count > kMaxPicturePixels) return nullptr;

    std::unique_ptr<Picture> picture(new (std::nothrow) Picture);
    if (!picture) return nullptr;
    const std::size_t bytes = static_cast<std::size_t>(count) * 4;
    // Left uninitialised: every producer writes each pixel.
#if defined(__linux__)
    if (bytes >= kHugePage) {
        PixelRelease release;
        std::uint8_t* pixels = MapPixels(bytes, release.mappedBytes);
        if (!pixels) return nullptr;
        picture->pixels = std::unique_ptr<std::uint8_t[], PixelRelease>(pixels, release);
    }
#endif
    if (!picture->pixels) picture->pixels.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!picture->pixels) return nullptr;
    picture->width = width;
    picture->height = height;
    return picture;
}

void PictureShrink(Picture& picture, std::int32_t width, std::int32_t height) {
    picture.width = width;
    picture.height = height;
#if defined(__linux__)
    PixelRelease& release = picture.pixels.get_deleter();
    if (release.mappedBytes == 0) return;
    // Whole huge pages only: cutting one up costs more on the next reads of
    // the picture (in a virtual machine, a few milliseconds) than it saves.
    const std::size_t keep =
        RoundUp(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, kHugePage);
    if (keep >= release.mappedBytes) return;
    munmap(picture.pixels.get() + keep, release.mappedBytes - keep);
    release.mappedBytes = keep;
#endif
}

}  // namespace platform
