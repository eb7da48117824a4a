// Area-average scaling of held pictures: a plain reference version and a
// streaming version that gives the same bytes.
//
// The fast version divides each axis by gcd(source, destination) first. Every
// overlap is a multiple of that gcd, so all weights and the divisor shrink by
// the same factor k = gx * gy, and (k*S + floor(k*D/2)) / (k*D) equals
// (S + floor(D/2)) / D for all integers S >= 0, D > 0: both round up exactly
// when the remainder of S / D reaches ceil(D/2).
#include "image_scale.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>

namespace platform {

namespace {

bool IsUsable(const Picture& picture) {
    return picture.width > 0 && picture.height > 0 && picture.pixels != nullptr;
}

std::uint64_t Overlap(std::uint64_t aBegin, std::uint64_t aEnd, std::uint64_t bBegin,
                      std::uint64_t bEnd) {
    const std::uint64_t begin = std::max(aBegin, bBegin);
    const std::uint64_t end = std::min(aEnd, bEnd);
    return end > begin ? end - begin : 0;
}

template <typename T>
std::unique_ptr<T[]> NewArray(std::size_t count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

std::unique_ptr<Picture> CopyWithoutFourthByte(const Picture& source) {
    auto out = PictureCreate(source.width, source.height);
    if (!out) return nullptr;
    const std::size_t count = static_cast<std::size_t>(source.width) * source.height;
    const std::uint8_t* src = source.pixels.get();
    std::uint8_t* dst = out->pixels.get();
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t v;
        std::memcpy(&v, src + 4 * i, 4);
        v &= 0x00FFFFFFu;  // little-endian: clears the fourth byte
        std::memcpy(dst + 4 * i, &v, 4);
    }
    return out;
}

// Division by a divisor fixed for the whole picture.
template <typename Acc>
class Divider {
public:
    explicit Divider(Acc divisor) : divisor_(divisor) {}
    Acc operator()(Acc n) const { return n / divisor_; }

private:
    Acc divisor_;
};

#if defined(__SIZEOF_INT128__)
// For 32-bit values one multiplication does: with m = ceil(2^64 / d),
// floor(n / d) = (n * m) >> 64 for every n < 2^32, because m * d - 2^64 < d
// <= 2^32 (Lemire, Kaser and Kurz, "Faster remainder by direct computation").
template <>
class Divider<std::uint32_t> {
public:
    explicit Divider(std::uint32_t divisor)
        : multiplier_(divisor == 1 ? 0 : std::numeric_limits<std::uint64_t>::max() / divisor + 1) {}
    std::uint32_t operator()(std::uint32_t n) const {
        if (multiplier_ == 0) return n;  // divisor 1
        return static_cast<std::uint32_t>((static_cast<unsigned __int128>(n) * multiplier_) >> 64);
    }

private:
    std::uint64_t multiplier_;
};
#endif

// Pixel lengths along each axis in shared units after dividing by the gcd:
// a destination pixel spans `dstX` units where a source pixel spans `srcX`
// (dstX = source width / g, srcX = destination width / g), likewise for y.
struct Spans {
    std::uint64_t dstX, srcX, dstY, srcY;
};

// How one destination column draws on a source row: the first source pixel
// with `firstWeight`, the pixels strictly between first and last with the
// full weight srcX, and the last with `lastWeight` (0 when first == last).
struct ColumnTaps {
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t firstWeight;
    std::uint32_t lastWeight;
};

// Streams the source once, top to bottom: each source row is summed along x
// into `rowSums`, weighted into the destination row being built, and the row
// is written out when complete. All sums are in Acc; the caller picks
// uint32_t when 255 * dstX * dstY + dstX * dstY / 2 fits, else uint64_t.
template <typename Acc>
bool ScaleStreaming(const Picture& source, Picture& out, const Spans& spans) {
    const std::size_t dstWidth = static_cast<std::size_t>(out.width);
    const std::size_t lanes = dstWidth * 4;

    auto taps = NewArray<ColumnTaps>(dstWidth);
    auto rowSums = NewArray<Acc>(lanes);     // one source row, summed along x
    auto columnSums = NewArray<Acc>(lanes);  // one destination row before division
    if (!taps || !rowSums || !columnSums) return false;

    for (std::size_t x = 0; x < dstWidth; ++x) {
        const std::uint64_t begin = x * spans.dstX;
        const std::uint64_t end = begin + spans.dstX;
        ColumnTaps& t = taps[x];
        t.first = static_cast<std::uint32_t>(begin / spans.srcX);
        t.last = static_cast<std::uint32_t>((end - 1) / spans.srcX);
        if (t.first == t.last) {
            t.firstWeight = static_cast<std::uint32_t>(spans.dstX);
            t.lastWeight = 0;
        } else {
            t.firstWeight = static_cast<std::uint32_t>((std::uint64_t{t.first} + 1) * spans.srcX - begin);
            t.lastWeight = static_cast<std::uint32_t>(end - std::uint64_t{t.last} * spans.srcX);
        }
    }
    const Acc fullWeight = static_cast<Acc>(spans.srcX);

    auto sumRow = [&](const std::uint8_t* row) {
        Acc* sums = rowSums.get();
        for (std::size_t x = 0; x < dstWidth; ++x) {
            const ColumnTaps t = taps[x];
            const std::uint8_t* p = row + std::size_t{t.first} * 4;
            const std::uint8_t* q = row + std::size_t{t.last} * 4;
            Acc b = 0, g = 0, r = 0;
            for (const std::uint8_t* m = p + 4; m < q; m += 4) {
                b += m[0];
                g += m[1];
                r += m[2];
            }
            const Acc wp = t.firstWeight, wq = t.lastWeight;
            sums[4 * x + 0] = b * fullWeight + wp * p[0] + wq * q[0];
            sums[4 * x + 1] = g * fullWeight + wp * p[1] + wq * q[1];
            sums[4 * x + 2] = r * fullWeight + wp * p[2] + wq * q[2];
            sums[4 * x + 3] = 0;
        }
    };

    const Acc divisor = static_cast<Acc>(spans.dstX * spans.dstY);
    const Acc half = divisor / 2;
    const Divider<Acc> divide(divisor);
    std::int64_t summedRow = -1;
    for (std::int32_t y = 0; y < out.height; ++y) {
        const std::uint64_t begin = static_cast<std::uint64_t>(y) * spans.dstY;
        const std::uint64_t end = begin + spans.dstY;
        const std::uint64_t firstRow = begin / spans.srcY;
        const std::uint64_t lastRow = (end - 1) / spans.srcY;
        Acc* acc = columnSums.get();
        std::fill(acc, acc + lanes, Acc{0});
        for (std::uint64_t j = firstRow; j <= lastRow; ++j) {
            // Consecutive destination rows share at most their boundary row,
            // so remembering the last summed row is enough.
            if (static_cast<std::int64_t>(j) != summedRow) {
                sumRow(source.Row(static_cast<std::int32_t>(j)));
                summedRow = static_cast<std::int64_t>(j);
            }
            const Acc weight = static_cast<Acc>(Overlap(begin, end, j * spans.srcY, (j + 1) * spans.srcY));
            const Acc* sums = rowSums.get();
            for (std::size_t k = 0; k < lanes; ++k) acc[k] += weight * sums[k];
        }
        std::uint8_t* dst = out.Row(y);
        for (std::size_t k = 0; k < lanes; k += 4) {
            dst[k + 0] = static_cast<std::uint8_t>(divide(acc[k + 0] + half));
            dst[k + 1] = static_cast<std::uint8_t>(divide(acc[k + 1] + half));
            dst[k + 2] = static_cast<std::uint8_t>(divide(acc[k + 2] + half));
            dst[k + 3] = 0;
        }
    }
    return true;
}

}  // namespace

std::unique_ptr<Picture> ScalePictureReference(const Picture& source, std::int32_t width,
                                               std::int32_t height) {
    if (width <= 0 || height <= 0 || !IsUsable(source)) return nullptr;
    auto out = PictureCreate(width, height);
    if (!out) return nullptr;

    const std::uint64_t sw = static_cast<std::uint64_t>(source.width);
    const std::uint64_t sh = static_cast<std::uint64_t>(source.height);
    const std::uint64_t dw = static_cast<std::uint64_t>(width);
    const std::uint64_t dh = static_cast<std::uint64_t>(height);
    const std::uint64_t divisor = sw * sh;

    for (std::uint64_t y = 0; y < dh; ++y) {
        for (std::uint64_t x = 0; x < dw; ++x) {
            std::uint64_t sums[3] = {0, 0, 0};
            // Only source pixels i with i*dw < (x+1)*sw and (i+1)*dw > x*sw
            // overlap; the others add zero.
            for (std::uint64_t j = y * sh / dh; j * dh < (y + 1) * sh; ++j) {
                const std::uint64_t oy = Overlap(y * sh, (y + 1) * sh, j * dh, (j + 1) * dh);
                const std::uint8_t* row = source.Row(static_cast<std::int32_t>(j));
                for (std::uint64_t i = x * sw / dw; i * dw < (x + 1) * sw; ++i) {
                    const std::uint64_t ox = Overlap(x * sw, (x + 1) * sw, i * dw, (i + 1) * dw);
                    for (int c = 0; c < 3; ++c) sums[c] += ox * oy * row[i * 4 + c];
                }
            }
            std::uint8_t* dst = out->Row(static_cast<std::int32_t>(y)) + x * 4;
            for (int c = 0; c < 3; ++c) dst[c] = static_cast<std::uint8_t>((sums[c] + divisor / 2) / divisor);
            dst[3] = 0;
        }
    }
    return out;
}

std::unique_ptr<Picture> ScalePicture(const Picture& source, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0 || !IsUsable(source)) return nullptr;
    if (width == source.width && height == source.height) return CopyWithoutFourthByte(source);
    auto out = PictureCreate(width, height);
    if (!out) return nullptr;

    const std::uint64_t sw = static_cast<std::uint64_t>(source.width);
    const std::uint64_t sh = static_cast<std::uint64_t>(source.height);
    const std::uint64_t dw = static_cast<std::uint64_t>(width);
    const std::uint64_t dh = static_cast<std::uint64_t>(height);
    const std::uint64_t gx = std::gcd(sw, dw);
    const std::uint64_t gy = std::gcd(sh, dh);
    const Spans spans{sw / gx, dw / gx, sh / gy, dh / gy};

    // Largest value any sum reaches, rounding term included.
    const std::uint64_t area = spans.dstX * spans.dstY;
    const bool done = 255 * area + area / 2 <= std::numeric_limits<std::uint32_t>::max()
                          ? ScaleStreaming<std::uint32_t>(source, *out, spans)
                          : ScaleStreaming<std::uint64_t>(source, *out, spans);
    return done ? std::move(out) : nullptr;
}

}  // namespace platform
