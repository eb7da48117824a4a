// The JPEG step: the held picture goes to libjpeg line by line through one
// reused row buffer, into a ".part" file that replaces the target only once
// it is complete. libjpeg errors come back here instead of ending the process.
#include "jpeg_write.hpp"

#include "raw_file.hpp"

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define PICTARN_HAVE_SSSE3_ROWS 1
#endif

namespace platform {
namespace {

static_assert(std::endian::native == std::endian::little, "pixel packing assumes little endian");

// libjpeg refuses larger images (JPEG_MAX_DIMENSION).
constexpr std::int32_t kMaxJpegDimension = 65500;

// Armed by JpegFailNextWriteAfter; taken by the next write that reaches libjpeg.
long g_failAfterBytes = -1;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// Everything libjpeg and the fault injection touch; it lives in the caller
// of the setjmp frame, so nothing in it is lost by a longjmp.
struct Job {
    jpeg_compress_struct cinfo;
    ErrorManager errors;
    std::FILE* file = nullptr;
    // Fault injection on the destination manager.
    long failAfter = -1;
    long handedOn = 0;
    JOCTET* bufferStart = nullptr;
    std::size_t bufferSize = 0;
    void (*initDestination)(j_compress_ptr) = nullptr;
    boolean (*emptyOutputBuffer)(j_compress_ptr) = nullptr;
    void (*termDestination)(j_compress_ptr) = nullptr;
};

[[noreturn]] void ReturnToWriter(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(errors->jump, 1);
}

Job& JobOf(j_compress_ptr cinfo) { return *static_cast<Job*>(cinfo->client_data); }

// Hands `pending` bytes at the buffer start on, unless that passes the
// armed limit: then only the bytes up to the limit reach the file and
// libjpeg gets its own write error.
void CountOrFail(Job& job, std::size_t pending) {
    long room = job.failAfter - job.handedOn;
    if (static_cast<long>(pending) < room) {
        job.handedOn += static_cast<long>(pending);
        return;
    }
    std::fwrite(job.bufferStart, 1, static_cast<std::size_t>(room), job.file);
    job.handedOn += room;
    ERREXIT(&job.cinfo, JERR_FILE_WRITE);
}

void FaultyInitDestination(j_compress_ptr cinfo) {
    Job& job = JobOf(cinfo);
    job.initDestination(cinfo);
    job.bufferStart = cinfo->dest->next_output_byte;
    job.bufferSize = cinfo->dest->free_in_buffer;
}

boolean FaultyEmptyOutputBuffer(j_compress_ptr cinfo) {
    Job& job = JobOf(cinfo);
    // libjpeg's stdio destination always writes its whole buffer here.
    CountOrFail(job, job.bufferSize);
    return job.emptyOutputBuffer(cinfo);
}

void FaultyTermDestination(j_compress_ptr cinfo) {
    Job& job = JobOf(cinfo);
    CountOrFail(job, job.bufferSize - cinfo->dest->free_in_buffer);
    job.termDestination(cinfo);
}

void InstallFaultyDestination(Job& job) {
    jpeg_destination_mgr* dest = job.cinfo.dest;
    job.initDestination = dest->init_destination;
    job.emptyOutputBuffer = dest->empty_output_buffer;
    job.termDestination = dest->term_destination;
    dest->init_destination = FaultyInitDestination;
    dest->empty_output_buffer = FaultyEmptyOutputBuffer;
    dest->term_destination = FaultyTermDestination;
}

// False when the source has no line to give.
bool WriteLines(j_compress_ptr cinfo, std::int32_t width, std::int32_t height, const JpegLineSource& line,
                std::uint8_t* row) {
    JSAMPROW rows[1] = {row};
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* bgrx = line(y);
        if (!bgrx) return false;
        ConvertRowToRgb(bgrx, row, width);
        jpeg_write_scanlines(cinfo, rows, 1);
    }
    return true;
}

// The libjpeg calls in their fixed order. Returns false when libjpeg raised
// an error or a line was missing; the caller destroys the compression object
// either way.
bool Compress(Job& job, std::int32_t width, std::int32_t height, const JpegLineSource& line, int jpegQuality,
              std::uint8_t* row) {
    job.cinfo.err = jpeg_std_error(&job.errors.pub);
    job.errors.pub.trace_level = -1;
    job.errors.pub.error_exit = ReturnToWriter;
    if (setjmp(job.errors.jump) != 0) return false;

    jpeg_create_compress(&job.cinfo);
    job.cinfo.client_data = &job;
    jpeg_stdio_dest(&job.cinfo, job.file);
    if (job.failAfter >= 0) InstallFaultyDestination(job);
    job.cinfo.image_width = static_cast<JDIMENSION>(width);
    job.cinfo.image_height = static_cast<JDIMENSION>(height);
    job.cinfo.input_components = 3;
    job.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job.cinfo);
    jpeg_set_quality(&job.cinfo, jpegQuality, FALSE);
    jpeg_start_compress(&job.cinfo, TRUE);
    if (!WriteLines(&job.cinfo, width, height, line, row)) return false;
    jpeg_finish_compress(&job.cinfo);
    return true;
}

std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// Blue, green, red, unused -> red, green, blue in the low three bytes.
std::uint32_t PixelToRgb(std::uint32_t bgrx) { return __builtin_bswap32(bgrx) >> 8; }

// Four pixels (16 bytes) at a time into three 32-bit words (12 bytes).
void ConvertRowPortable(const std::uint8_t* bgrx, std::uint8_t* rgb, std::int32_t width) {
    std::int32_t x = 0;
    for (; x + 4 <= width; x += 4, bgrx += 16, rgb += 12) {
        std::uint32_t p0 = PixelToRgb(Load32(bgrx));
        std::uint32_t p1 = PixelToRgb(Load32(bgrx + 4));
        std::uint32_t p2 = PixelToRgb(Load32(bgrx + 8));
        std::uint32_t p3 = PixelToRgb(Load32(bgrx + 12));
        Store32(rgb, p0 | p1 << 24);
        Store32(rgb + 4, p1 >> 8 | p2 << 16);
        Store32(rgb + 8, p2 >> 16 | p3 << 8);
    }
    for (; x < width; ++x, bgrx += 4, rgb += 3) {
        rgb[0] = bgrx[2];
        rgb[1] = bgrx[1];
        rgb[2] = bgrx[0];
    }
}

#ifdef PICTARN_HAVE_SSSE3_ROWS
// Sixteen pixels at a time: each group of four is reordered with one byte
// shuffle into 12 bytes, and the four groups are joined into three stores.
__attribute__((target("ssse3"))) void ConvertRowSsse3(const std::uint8_t* bgrx, std::uint8_t* rgb,
                                                      std::int32_t width) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    std::int32_t x = 0;
    for (; x + 16 <= width; x += 16, bgrx += 64, rgb += 48) {
        auto in = reinterpret_cast<const __m128i*>(bgrx);
        __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(in), order);
        __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), order);
        __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), order);
        __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), order);
        auto out = reinterpret_cast<__m128i*>(rgb);
        _mm_storeu_si128(out, _mm_or_si128(a, _mm_slli_si128(b, 12)));
        _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
        _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
    }
    ConvertRowPortable(bgrx, rgb, width - x);
}

bool HaveSsse3() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return have;
}
#endif

std::string SameLengthTemporaryName(const std::string& path) {
    std::string name = path;
    if (!name.empty()) name.back() = name.back() == '~' ? '#' : '~';
    return name;
}

}  // namespace

int JpegQuality(std::int32_t quality) {
    if (quality >= 10) return 100;
    if (quality <= 0) return 0;
    return quality * 10;
}

void ConvertRowToRgb(const std::uint8_t* bgrx, std::uint8_t* rgb, std::int32_t width) {
#ifdef PICTARN_HAVE_SSSE3_ROWS
    if (HaveSsse3()) {
        ConvertRowSsse3(bgrx, rgb, width);
        return;
    }
#endif
    ConvertRowPortable(bgrx, rgb, width);
}

void JpegFailNextWriteAfter(long bytes) { g_failAfterBytes = bytes < 0 ? -1 : bytes; }

bool JpegWriteFile(const std::string& path, const Picture& picture, std::int32_t quality) {
    if (!picture.pixels) return false;
    return JpegWriteLines(path, picture.width, picture.height, quality,
                          [&picture](std::int32_t y) { return picture.Row(y); });
}

bool JpegWriteLines(const std::string& path, std::int32_t width, std::int32_t height, std::int32_t quality,
                    const JpegLineSource& line) {
    if (width <= 0 || height <= 0 || width > kMaxJpegDimension || height > kMaxJpegDimension || !line) {
        return false;
    }
    // A rename would replace a read-only file, which the program must not do.
    if (raw::FileIsReadOnly(path)) return false;

    const std::size_t rowSize = static_cast<std::size_t>(width) * 3;
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[rowSize]);
    if (!row) return false;

    std::string partPath = path + ".part";
    std::FILE* file = std::fopen(partPath.c_str(), "wb");
    if (!file) {
        // A target name right at the system's limit (255 bytes for one name,
        // MAX_PATH on Windows) has no room for ".part"; a temporary name of
        // the target's own length fits wherever the target does.
        partPath = SameLengthTemporaryName(path);
        file = std::fopen(partPath.c_str(), "wb");
        if (!file) return false;
    }

    Job job{};
    job.file = file;
    job.failAfter = g_failAfterBytes;
    g_failAfterBytes = -1;

    bool ok = Compress(job, width, height, line, JpegQuality(quality), row.get());
    jpeg_destroy_compress(&job.cinfo);
    row.reset();

    ok = std::fflush(file) == 0 && ok;
    ok = std::ferror(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && raw::FileReplace(partPath, path)) return true;
    raw::FileRemove(partPath);
    return false;
}

}  // namespace platform
