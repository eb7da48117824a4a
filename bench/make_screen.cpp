// make_screen WIDTH HEIGHT OUT.bmp [OUT.ppm]
//
// Writes the benchmarks' screen-like picture as a 32-bit BMP file (what
// dib2jpeg and the other programs read) and, if asked, the same pixels as
// a PPM file for cjpeg.
#include "bench/screen_picture.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool WriteFile(const char* name, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(name, "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fputs("usage: make_screen WIDTH HEIGHT OUT.bmp [OUT.ppm]\n", stderr);
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        std::fputs("make_screen: size out of range\n", stderr);
        return 2;
    }
    if (!WriteFile(argv[3], bench::ScreenBmpFile(width, height))) {
        std::fprintf(stderr, "make_screen: cannot write %s\n", argv[3]);
        return 1;
    }
    if (argc == 5 && !WriteFile(argv[4], bench::ScreenPpmFile(width, height))) {
        std::fprintf(stderr, "make_screen: cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
