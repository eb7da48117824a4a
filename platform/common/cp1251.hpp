// Compile-time conversion of the program's own texts, written in the
// sources as UTF-8, to the 8-bit code page 1251 the program works in.
// Only ASCII, the Russian letters А..я and Ё/ё occur in those texts; any
// other character stops the build.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

template <std::size_t N>
struct Cp1251Text {
    char bytes[N] {};
    std::size_t size = 0;

    constexpr std::string_view view() const { return {bytes, size}; }
    std::string str() const { return std::string(bytes, size); }
    operator std::string() const { return str(); }
};

template <std::size_t N>
consteval Cp1251Text<N> Cp1251(const char8_t (&utf8)[N]) {
    Cp1251Text<N> out;
    for (std::size_t i = 0; i + 1 < N;) {
        const unsigned lead = utf8[i];
        if (lead < 0x80) {
            out.bytes[out.size++] = static_cast<char>(lead);
            i += 1;
            continue;
        }
        if ((lead & 0xE0) != 0xC0 || i + 1 >= N - 1) throw "not a two-byte UTF-8 sequence";
        const unsigned code = ((lead & 0x1F) << 6) | (static_cast<unsigned>(utf8[i + 1]) & 0x3F);
        unsigned byte;
        if (code >= 0x410 && code <= 0x44F) byte = code - 0x410 + 0xC0;
        else if (code == 0x401) byte = 0xA8;
        else if (code == 0x451) byte = 0xB8;
        else throw "character outside code page 1251's Russian letters";
        out.bytes[out.size++] = static_cast<char>(byte);
        i += 2;
    }
    return out;
}

}  // namespace platform
