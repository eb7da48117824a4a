// Area-average scaling of held pictures: a plain reference version and two
// fast versions that give the same bytes. The separable one (SSSE3 or AVX2,
// chosen at run time) covers the usual screen sizes and ratios; the
// streaming one covers everything else.
//
// The fast versions divide each axis by gcd(source, destination) first.
// Every overlap is a multiple of that gcd, so all weights and the divisor
// shrink by the same factor k = gx * gy, and (k*S + floor(k*D/2)) / (k*D)
// equals (S + floor(D/2)) / D for all integers S >= 0, D > 0: both round up
// exactly when the remainder of S / D reaches ceil(D/2).
//
// Both fast versions read every source row they need for a destination row
// before they write that row, so they may write into the memory they read
// from when neither side grows: destination row y ends at or before the
// start of source row y + 1, and later destination rows read only rows
// from y + 1 on.
#include "image_scale.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <numeric>

#if defined(__x86_64__)
#include <immintrin.h>
#define PICTARN_HAVE_SSSE3_SCALE 1
#endif

namespace platform {

static_assert(std::endian::native == std::endian::little, "the fourth byte is the high byte of a pixel word");

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

// Pixels without ownership: a scaling may write where it reads.
struct PixelsView {
    std::uint8_t* data;
    std::size_t width;
    std::size_t height;

    std::uint8_t* Row(std::size_t y) const { return data + width * 4 * y; }
};

PixelsView ViewOf(const Picture& picture) {
    return {picture.pixels.get(), static_cast<std::size_t>(picture.width),
            static_cast<std::size_t>(picture.height)};
}

// What a scaling reads: lines(first, count) gives that many consecutive
// source rows. For a held picture that is the picture itself; a reader of a
// file hands on bands.
struct SourceLines {
    std::size_t width;
    std::size_t height;
    const ScaleLineSource& lines;

    const std::uint8_t* Get(std::size_t first, std::size_t count) const {
        return lines(static_cast<std::int32_t>(first), static_cast<std::int32_t>(count));
    }
};

ScaleLineSource LinesOf(const PixelsView& view) {
    return [view](std::int32_t first, std::int32_t) { return view.Row(static_cast<std::size_t>(first)); };
}

void ClearFourthBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t count) {
    std::size_t i = 0;
#ifdef PICTARN_HAVE_SSSE3_SCALE
    const __m128i keep = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= count; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), _mm_and_si128(v, keep));
    }
#endif
    for (; i < count; ++i) {
        std::uint32_t v;
        std::memcpy(&v, src + 4 * i, 4);
        v &= 0x00FFFFFFu;
        std::memcpy(dst + 4 * i, &v, 4);
    }
}

std::unique_ptr<Picture> CopyWithoutFourthByte(const Picture& source) {
    auto out = PictureCreate(source.width, source.height);
    if (!out) return nullptr;
    ClearFourthBytes(source.pixels.get(), out->pixels.get(), static_cast<std::size_t>(source.width) * source.height);
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

Spans SpansOf(std::size_t sw, std::size_t sh, std::size_t dw, std::size_t dh) {
    const std::uint64_t gx = std::gcd<std::uint64_t>(sw, dw);
    const std::uint64_t gy = std::gcd<std::uint64_t>(sh, dh);
    return {sw / gx, dw / gx, sh / gy, dh / gy};
}

// How one destination pixel draws on the source along one axis: source
// pixel `first` with `firstWeight`, the pixels strictly between first and
// last with the full weight (the source span), and `last` with `lastWeight`
// (0 when first == last).
struct Taps {
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t firstWeight;
    std::uint32_t lastWeight;
};

Taps TapsOf(std::uint64_t index, std::uint64_t dstSpan, std::uint64_t srcSpan) {
    const std::uint64_t begin = index * dstSpan;
    const std::uint64_t end = begin + dstSpan;
    Taps t;
    t.first = static_cast<std::uint32_t>(begin / srcSpan);
    t.last = static_cast<std::uint32_t>((end - 1) / srcSpan);
    if (t.first == t.last) {
        t.firstWeight = static_cast<std::uint32_t>(dstSpan);
        t.lastWeight = 0;
    } else {
        t.firstWeight = static_cast<std::uint32_t>((std::uint64_t{t.first} + 1) * srcSpan - begin);
        t.lastWeight = static_cast<std::uint32_t>(end - std::uint64_t{t.last} * srcSpan);
    }
    return t;
}

std::uint32_t WeightOf(const Taps& t, std::uint32_t i, std::uint32_t fullWeight) {
    if (i < t.first || i > t.last) return 0;
    if (i == t.first) return t.firstWeight;
    if (i == t.last) return t.lastWeight;
    return fullWeight;
}

// Streams the source once, top to bottom: each source row is summed along x
// into `rowSums`, weighted into the destination row being built, and the row
// is written out when complete. All sums are in Acc; the caller picks
// uint32_t when 255 * dstX * dstY + dstX * dstY / 2 fits, else uint64_t.
// Takes its buffers before it writes anything; a source that gives up
// leaves `out` part written.
template <typename Acc>
bool ScaleStreaming(const SourceLines& source, const PixelsView& out, const Spans& spans) {
    const std::size_t dstWidth = out.width;
    const std::size_t lanes = dstWidth * 4;

    auto taps = NewArray<Taps>(dstWidth);
    auto rowSums = NewArray<Acc>(lanes);     // one source row, summed along x
    auto columnSums = NewArray<Acc>(lanes);  // one destination row before division
    if (!taps || !rowSums || !columnSums) return false;

    for (std::size_t x = 0; x < dstWidth; ++x) taps[x] = TapsOf(x, spans.dstX, spans.srcX);
    const Acc fullWeight = static_cast<Acc>(spans.srcX);

    auto sumRow = [&](const std::uint8_t* row) {
        Acc* sums = rowSums.get();
        for (std::size_t x = 0; x < dstWidth; ++x) {
            const Taps t = taps[x];
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
    for (std::size_t y = 0; y < out.height; ++y) {
        const std::uint64_t begin = static_cast<std::uint64_t>(y) * spans.dstY;
        const std::uint64_t end = begin + spans.dstY;
        const std::uint64_t firstRow = begin / spans.srcY;
        const std::uint64_t lastRow = (end - 1) / spans.srcY;
        const std::uint8_t* band = source.Get(firstRow, lastRow - firstRow + 1);
        if (!band) return false;
        Acc* acc = columnSums.get();
        std::fill(acc, acc + lanes, Acc{0});
        for (std::uint64_t j = firstRow; j <= lastRow; ++j) {
            // Consecutive destination rows share at most their boundary row,
            // so remembering the last summed row is enough.
            if (static_cast<std::int64_t>(j) != summedRow) {
                sumRow(band + (j - firstRow) * source.width * 4);
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

#ifdef PICTARN_HAVE_SSSE3_SCALE
// Separable scaling, columns first: for each destination row, the source
// rows it covers are summed with their weights into one row of 16-bit
// column sums (two rows per multiply-add of bytes), and each destination
// pixel is then a weighted sum of a few neighbouring column sums (two
// pixels per multiply-add of 16-bit words), rounded and divided exactly.
// SSSE3 works on 16 bytes at a time; AVX2, where the processor has it, on
// 32 bytes and two destination pixels at a time.
//
// Limits that keep every step exact: row weights fit a signed byte and a
// whole column sum (at most 255 * dstY) fits int16, so dstY <= 127; column
// weights fit int16; and the final sum plus rounding fits int32.
bool FitsSeparable(const Spans& s) {
    const std::uint64_t area = s.dstX * s.dstY;
    return s.dstY <= 127 && std::min(s.dstX, s.srcX) <= 32767 &&
           255 * area + area / 2 <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
}

bool HaveSsse3() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return have;
}

#define PICTARN_SSSE3 __attribute__((target("ssse3")))
#define PICTARN_SSSE3_INLINE __attribute__((target("ssse3"), always_inline)) inline

// The column sums of a pixel pair (2m, 2m + 1) are kept as the eight int16
// b0 b1 g0 g1 r0 r1 x0 x1, ready for a multiply-add with the pair's
// weights: byte c of source pixel p goes to (p / 2) * 8 + c * 2 + p % 2.
std::size_t SumIndex(std::size_t byte) { return byte / 8 * 8 + byte % 4 * 2 + byte / 4 % 2; }

// Turns b0 g0 r0 x0 b1 g1 r1 x1 (int16) into b0 b1 g0 g1 r0 r1 x0 x1.
constexpr char kPairOrder[16] = {0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15};

// The source rows of one destination row, in pairs: rows[2i] and rows[2i + 1]
// with the weights weights[i] & 0xFF and weights[i] >> 8. An odd last row is
// paired with itself at weight 0.
struct RowPairs {
    const std::uint8_t* const* rows;
    const std::uint16_t* weights;
    std::size_t count;
};

// Column sums for the bytes from `from` on, past the last whole vector.
void SumRowsTail(const RowPairs& pairs, std::size_t from, std::size_t bytes, std::int16_t* sums) {
    for (std::size_t k = from; k < bytes; ++k) {
        int sum = 0;
        for (std::size_t p = 0; p < pairs.count; ++p) {
            sum += pairs.rows[2 * p][k] * (pairs.weights[p] & 0xFF) +
                   pairs.rows[2 * p + 1][k] * (pairs.weights[p] >> 8);
        }
        sums[SumIndex(k)] = static_cast<std::int16_t>(sum);
    }
}

PICTARN_SSSE3 void SumRowsSsse3(const RowPairs& pairs, std::size_t bytes, std::int16_t* sums) {
    const __m128i order = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kPairOrder));
    std::size_t k = 0;
    for (; k + 16 <= bytes; k += 16) {
        __m128i lo = _mm_setzero_si128();
        __m128i hi = _mm_setzero_si128();
        for (std::size_t p = 0; p < pairs.count; ++p) {
            const __m128i weights = _mm_set1_epi16(static_cast<short>(pairs.weights[p]));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs.rows[2 * p] + k));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs.rows[2 * p + 1] + k));
            lo = _mm_add_epi16(lo, _mm_maddubs_epi16(_mm_unpacklo_epi8(a, b), weights));
            hi = _mm_add_epi16(hi, _mm_maddubs_epi16(_mm_unpackhi_epi8(a, b), weights));
        }
        auto* out = reinterpret_cast<__m128i*>(sums + k);
        _mm_storeu_si128(out, _mm_shuffle_epi8(lo, order));
        _mm_storeu_si128(out + 1, _mm_shuffle_epi8(hi, order));
    }
    SumRowsTail(pairs, k, bytes, sums);
}

// floor(n / d) in each 32-bit lane for n < 2^31: with l = ceil(log2 d) and
// m = ceil(2^(31+l) / d) < 2^32, floor(n / d) = (n * m) >> (31 + l), since
// m * d - 2^(31+l) < d <= 2^l (Granlund and Montgomery, "Division by
// invariant integers using multiplication", theorem 4.2).
struct LaneDivision {
    std::uint32_t multiplier;
    int shift;
    std::uint32_t half;
};

LaneDivision LaneDivisionFor(std::uint32_t divisor) {
    const int log = divisor <= 1 ? 0 : std::bit_width(divisor - 1);
    const std::uint64_t multiplier = ((std::uint64_t{1} << (31 + log)) + divisor - 1) / divisor;
    return {static_cast<std::uint32_t>(multiplier), 31 + log, divisor / 2};
}

// What the column step needs for one destination column: the pixel pair
// its sum starts at (pairs start at even pixels) and how many pairs.
struct ColumnPairs {
    std::uint32_t start;
    std::uint32_t count;
};

PICTARN_SSSE3_INLINE __m128i RoundAndDivide(__m128i sums, __m128i multiplier, __m128i shift, __m128i half) {
    const __m128i n = _mm_add_epi32(sums, half);
    const __m128i even = _mm_srl_epi64(_mm_mul_epu32(n, multiplier), shift);
    const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(n, 32), multiplier), shift);
    return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

// Four 32-bit lanes (blue, green, red, fourth), each below 256, to a pixel.
PICTARN_SSSE3_INLINE void StorePixel(__m128i lanes, std::uint8_t* dst) {
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(lanes, lanes), _mm_setzero_si128());
    const std::uint32_t word = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes)) & 0x00FFFFFFu;
    std::memcpy(dst, &word, 4);
}

// One destination row from the column sums; `weights` holds each column's
// pair weights in turn.
PICTARN_SSSE3 void WriteRowSsse3(const __m128i* sums, const ColumnPairs* columns, const __m128i* weights,
                                 std::size_t width, const LaneDivision& division, std::uint8_t* dst) {
    const __m128i multiplier = _mm_set1_epi32(static_cast<int>(division.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(division.shift);
    const __m128i half = _mm_set1_epi32(static_cast<int>(division.half));
    const __m128i keepRgb = _mm_set1_epi32(0x00FFFFFF);
    __m128i lanes[4];
    std::size_t x = 0;
    for (; x < width; ++x) {
        const __m128i* pair = sums + columns[x].start;
        __m128i acc = _mm_setzero_si128();
        for (std::uint32_t m = 0; m < columns[x].count; ++m) {
            acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_loadu_si128(pair + m), _mm_loadu_si128(weights + m)));
        }
        weights += columns[x].count;
        lanes[x % 4] = RoundAndDivide(acc, multiplier, shift, half);
        if (x % 4 == 3) {
            const __m128i bytes =
                _mm_packus_epi16(_mm_packs_epi32(lanes[0], lanes[1]), _mm_packs_epi32(lanes[2], lanes[3]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * (x - 3)), _mm_and_si128(bytes, keepRgb));
        }
    }
    for (std::size_t t = width / 4 * 4; t < width; ++t) StorePixel(lanes[t % 4], dst + 4 * t);
}

#if !defined(_WIN32)
// AVX2 (not on Windows: GCC there does not align the stack for 32-byte spills).
#define PICTARN_HAVE_AVX2_SCALE 1
#define PICTARN_AVX2 __attribute__((target("avx2")))
#define PICTARN_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

bool g_avx2Allowed = true;

bool HaveAvx2() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return have && g_avx2Allowed;
}

// `Pairs` fixes the number of row pairs so that rows and weights stay in
// registers; 0 takes the count from `pairs`.
template <std::size_t Pairs>
PICTARN_AVX2 void SumRowsAvx2(const RowPairs& pairs, std::size_t bytes, std::int16_t* sums) {
    const __m128i order128 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kPairOrder));
    const __m256i order = _mm256_broadcastsi128_si256(order128);
    constexpr std::size_t kKept = Pairs > 0 ? Pairs : 1;
    const std::size_t count = Pairs > 0 ? Pairs : pairs.count;
    const std::uint8_t* rows[2 * kKept];
    __m256i weights[kKept];
    for (std::size_t p = 0; p < kKept && Pairs > 0; ++p) {
        rows[2 * p] = pairs.rows[2 * p];
        rows[2 * p + 1] = pairs.rows[2 * p + 1];
        weights[p] = _mm256_set1_epi16(static_cast<short>(pairs.weights[p]));
    }
    // The source row after the last one is the next destination row's:
    // fetching it now, alongside, keeps the loads below from waiting on memory.
    const std::uint8_t* nextRow = pairs.rows[2 * count - 1] + bytes;
    std::size_t k = 0;
    for (; k + 32 <= bytes; k += 32) {
        _mm_prefetch(reinterpret_cast<const char*>(nextRow + k), _MM_HINT_T0);
        __m256i lo = _mm256_setzero_si256();
        __m256i hi = _mm256_setzero_si256();
        for (std::size_t p = 0; p < count; ++p) {
            const std::uint8_t* rowA = Pairs > 0 ? rows[2 * p] : pairs.rows[2 * p];
            const std::uint8_t* rowB = Pairs > 0 ? rows[2 * p + 1] : pairs.rows[2 * p + 1];
            const __m256i w = Pairs > 0 ? weights[p] : _mm256_set1_epi16(static_cast<short>(pairs.weights[p]));
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rowA + k));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rowB + k));
            lo = _mm256_add_epi16(lo, _mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, b), w));
            hi = _mm256_add_epi16(hi, _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, b), w));
        }
        // The unpacks work within 128-bit halves: lo holds pixel pairs 0 and
        // 2 of the eight pixels, hi pairs 1 and 3.
        auto* out = reinterpret_cast<__m256i*>(sums + k);
        _mm256_storeu_si256(out, _mm256_shuffle_epi8(_mm256_permute2x128_si256(lo, hi, 0x20), order));
        _mm256_storeu_si256(out + 1, _mm256_shuffle_epi8(_mm256_permute2x128_si256(lo, hi, 0x31), order));
    }
    SumRowsTail(pairs, k, bytes, sums);
}

PICTARN_AVX2 void SumRowsAvx2Any(const RowPairs& pairs, std::size_t bytes, std::int16_t* sums) {
    switch (pairs.count) {
    case 1: SumRowsAvx2<1>(pairs, bytes, sums); break;
    case 2: SumRowsAvx2<2>(pairs, bytes, sums); break;
    case 3: SumRowsAvx2<3>(pairs, bytes, sums); break;
    case 4: SumRowsAvx2<4>(pairs, bytes, sums); break;
    default: SumRowsAvx2<0>(pairs, bytes, sums); break;
    }
}

PICTARN_AVX2_INLINE __m256i RoundAndDivide(__m256i sums, __m256i multiplier, __m128i shift, __m256i half) {
    const __m256i n = _mm256_add_epi32(sums, half);
    const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(n, multiplier), shift);
    const __m256i odd = _mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(n, 32), multiplier), shift);
    return _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
}

// Two neighbouring destination columns at once, the first in the low half:
// every column is given the same number of pairs (`pairSlots`, the most any
// column needs; the extra ones weigh 0), and `weights` holds both columns'
// weights for each slot.
// `Slots` fixes pairSlots for the common counts; 0 takes it as given.
template <std::size_t Slots>
PICTARN_AVX2_INLINE __m256i ColumnPairAvx2(const __m128i* sums, const ColumnPairs* columns, const __m256i* weights,
                                           std::size_t pairSlots, __m256i multiplier, __m128i shift, __m256i half) {
    const __m128i* a = sums + columns[0].start;
    const __m128i* b = sums + columns[1].start;
    __m256i acc = _mm256_setzero_si256();
    for (std::size_t m = 0; m < (Slots > 0 ? Slots : pairSlots); ++m) {
        const __m256i v =
            _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(a + m)), _mm_loadu_si128(b + m), 1);
        acc = _mm256_add_epi32(acc, _mm256_madd_epi16(v, _mm256_loadu_si256(weights + m)));
    }
    return RoundAndDivide(acc, multiplier, shift, half);
}

// `columns` has an even count, padded with an empty column.
template <std::size_t Slots>
PICTARN_AVX2 void WriteRowAvx2(const __m128i* sums, const ColumnPairs* columns, const __m256i* weights,
                               std::size_t pairSlots, std::size_t width, const LaneDivision& division,
                               std::uint8_t* dst) {
    const __m256i multiplier = _mm256_set1_epi32(static_cast<int>(division.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(division.shift);
    const __m256i half = _mm256_set1_epi32(static_cast<int>(division.half));
    const __m256i keepRgb = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i pixelOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    std::size_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i q0 = ColumnPairAvx2<Slots>(sums, columns + x, weights, pairSlots, multiplier, shift, half);
        const __m256i q1 =
            ColumnPairAvx2<Slots>(sums, columns + x + 2, weights + pairSlots, pairSlots, multiplier, shift, half);
        const __m256i q2 =
            ColumnPairAvx2<Slots>(sums, columns + x + 4, weights + 2 * pairSlots, pairSlots, multiplier, shift, half);
        const __m256i q3 =
            ColumnPairAvx2<Slots>(sums, columns + x + 6, weights + 3 * pairSlots, pairSlots, multiplier, shift, half);
        weights += 4 * pairSlots;
        // Low halves hold columns 0, 2, 4, 6 and high halves 1, 3, 5, 7.
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(q0, q1), _mm256_packs_epi32(q2, q3));
        const __m256i pixels = _mm256_permutevar8x32_epi32(bytes, pixelOrder);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * x), _mm256_and_si256(pixels, keepRgb));
    }
    for (; x < width; x += 2) {
        const __m256i q = ColumnPairAvx2<Slots>(sums, columns + x, weights, pairSlots, multiplier, shift, half);
        weights += pairSlots;
        StorePixel(_mm256_castsi256_si128(q), dst + 4 * x);
        if (x + 1 < width) StorePixel(_mm256_extracti128_si256(q, 1), dst + 4 * (x + 1));
    }
}

PICTARN_AVX2 void WriteRowAvx2Any(const __m128i* sums, const ColumnPairs* columns, const __m256i* weights,
                                  std::size_t pairSlots, std::size_t width, const LaneDivision& division,
                                  std::uint8_t* dst) {
    switch (pairSlots) {
    case 1: WriteRowAvx2<1>(sums, columns, weights, pairSlots, width, division, dst); break;
    case 2: WriteRowAvx2<2>(sums, columns, weights, pairSlots, width, division, dst); break;
    case 3: WriteRowAvx2<3>(sums, columns, weights, pairSlots, width, division, dst); break;
    case 4: WriteRowAvx2<4>(sums, columns, weights, pairSlots, width, division, dst); break;
    default: WriteRowAvx2<0>(sums, columns, weights, pairSlots, width, division, dst); break;
    }
}
#endif

// Takes its buffers before it writes anything; a source that gives up
// leaves `out` part written.
bool ScaleSeparable(const SourceLines& source, const PixelsView& out, const Spans& spans) {
    const std::size_t sw = source.width;
    const std::size_t dw = out.width;
#ifdef PICTARN_HAVE_AVX2_SCALE
    const bool avx2 = HaveAvx2();
#else
    const bool avx2 = false;
#endif

    // Column step: for every destination column, the pixel pairs it draws on.
    const std::size_t paddedWidth = dw + dw % 2;
    auto columns = NewArray<ColumnPairs>(paddedWidth);
    if (!columns) return false;
    std::size_t pairCount = 0;
    std::size_t pairSlots = 0;
    for (std::size_t x = 0; x < dw; ++x) {
        const Taps t = TapsOf(x, spans.dstX, spans.srcX);
        columns[x] = {t.first / 2, t.last / 2 - t.first / 2 + 1};
        pairCount += columns[x].count;
        pairSlots = std::max<std::size_t>(pairSlots, columns[x].count);
    }
    if (paddedWidth > dw) columns[dw] = {0, 0};

    // Each pair's weights as int16 pairs (even pixel, odd pixel) in every
    // 32-bit lane: for SSSE3 one vector per pair; for AVX2 one vector per
    // slot and column pair, the first column's weights in the low half.
    const std::size_t weightVectors = avx2 ? paddedWidth * pairSlots : pairCount;
    auto weights = NewArray<__m128i>(weightVectors);
    if (!weights) return false;
    const auto fullX = static_cast<std::uint32_t>(spans.srcX);
    for (std::size_t x = 0, next = 0; x < paddedWidth; ++x) {
        const Taps t = x < dw ? TapsOf(x, spans.dstX, spans.srcX) : Taps{1, 0, 0, 0};
        const std::size_t slots = avx2 ? pairSlots : columns[x].count;
        for (std::size_t m = 0; m < slots; ++m) {
            const std::uint32_t even = 2 * (columns[x].start + static_cast<std::uint32_t>(m));
            const std::uint32_t pair = WeightOf(t, even, fullX) | WeightOf(t, even + 1, fullX) << 16;
            // AVX2: column pair x / 2, slot m, half x % 2.
            const std::size_t at = avx2 ? (x / 2 * pairSlots + m) * 2 + x % 2 : next++;
            weights[at] = _mm_set1_epi32(static_cast<int>(pair));
        }
    }

    // Row step: one row of column sums in pixel pairs, and zero pairs past
    // the end for a last pair that starts at the last pixel of an odd width
    // and for the empty slots of the last columns.
    const std::size_t sumPairs = (sw + 1) / 2 + pairSlots + 1;
    auto sums = NewArray<__m128i>(sumPairs);
    const std::size_t maxRows = static_cast<std::size_t>(spans.dstY / spans.srcY) + 2;
    auto rows = NewArray<const std::uint8_t*>(maxRows + 1);
    auto rowWeights = NewArray<std::uint16_t>(maxRows / 2 + 1);
    if (!sums || !rows || !rowWeights) return false;
    std::fill(sums.get(), sums.get() + sumPairs, _mm_setzero_si128());
    auto* sumWords = reinterpret_cast<std::int16_t*>(sums.get());

    const LaneDivision division = LaneDivisionFor(static_cast<std::uint32_t>(spans.dstX * spans.dstY));
    const auto fullY = static_cast<std::uint32_t>(spans.srcY);
    for (std::size_t y = 0; y < out.height; ++y) {
        const Taps t = TapsOf(y, spans.dstY, spans.srcY);
        const std::uint8_t* band = source.Get(t.first, t.last - t.first + 1);
        if (!band) return false;
        RowPairs pairs{rows.get(), rowWeights.get(), 0};
        for (std::uint32_t j = t.first; j <= t.last; j += 2, ++pairs.count) {
            const std::uint32_t k = j + 1 <= t.last ? j + 1 : j;
            const std::uint32_t weightB = k == j ? 0 : WeightOf(t, k, fullY);
            rows[2 * pairs.count] = band + (j - t.first) * sw * 4;
            rows[2 * pairs.count + 1] = band + (k - t.first) * sw * 4;
            rowWeights[pairs.count] = static_cast<std::uint16_t>(WeightOf(t, j, fullY) | weightB << 8);
        }
#ifdef PICTARN_HAVE_AVX2_SCALE
        if (avx2) {
            SumRowsAvx2Any(pairs, sw * 4, sumWords);
            WriteRowAvx2Any(sums.get(), columns.get(), reinterpret_cast<const __m256i*>(weights.get()), pairSlots,
                            dw, division, out.Row(y));
            continue;
        }
#endif
        SumRowsSsse3(pairs, sw * 4, sumWords);
        WriteRowSsse3(sums.get(), columns.get(), weights.get(), dw, division, out.Row(y));
    }
    return true;
}
#endif

bool Scale(const SourceLines& source, const PixelsView& out) {
    const Spans spans = SpansOf(source.width, source.height, out.width, out.height);
#ifdef PICTARN_HAVE_SSSE3_SCALE
    if (FitsSeparable(spans) && HaveSsse3()) return ScaleSeparable(source, out, spans);
#endif
    // Largest value any sum reaches, rounding term included.
    const std::uint64_t area = spans.dstX * spans.dstY;
    return 255 * area + area / 2 <= std::numeric_limits<std::uint32_t>::max()
               ? ScaleStreaming<std::uint32_t>(source, out, spans)
               : ScaleStreaming<std::uint64_t>(source, out, spans);
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
    const PixelsView view = ViewOf(source);
    return Scale({view.width, view.height, LinesOf(view)}, ViewOf(*out)) ? std::move(out) : nullptr;
}

std::unique_ptr<Picture> ScaleLines(std::int32_t sourceWidth, std::int32_t sourceHeight, const ScaleLineSource& lines,
                                    std::int32_t width, std::int32_t height) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0 || !lines) return nullptr;
    if (static_cast<std::uint64_t>(sourceWidth) * static_cast<std::uint64_t>(sourceHeight) > kMaxPicturePixels) {
        return nullptr;
    }
    auto out = PictureCreate(width, height);
    if (!out) return nullptr;
    const SourceLines source{static_cast<std::size_t>(sourceWidth), static_cast<std::size_t>(sourceHeight), lines};
    return Scale(source, ViewOf(*out)) ? std::move(out) : nullptr;
}

void ScaleAllowAvx2([[maybe_unused]] bool allowed) {
#ifdef PICTARN_HAVE_AVX2_SCALE
    g_avx2Allowed = allowed;
#endif
}

bool ScalePictureInPlace(Picture& picture, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0 || !IsUsable(picture) || width > picture.width || height > picture.height) {
        return false;
    }
    const PixelsView view = ViewOf(picture);
    if (width == picture.width && height == picture.height) {
        ClearFourthBytes(view.data, view.data, view.width * view.height);
        return true;
    }
    const PixelsView out{view.data, static_cast<std::size_t>(width), static_cast<std::size_t>(height)};
    if (!Scale({view.width, view.height, LinesOf(view)}, out)) return false;
    PictureShrink(picture, width, height);
    return true;
}

}  // namespace platform
