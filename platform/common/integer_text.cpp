// ParseInteger and FormatInteger: the settings file's number rules.
#include "platform/platform.hpp"

#include <cstdint>
#include <string>

namespace platform {

namespace {

int DigitValue(char c, int base) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else return -1;
    return v < base ? v : -1;
}

}  // namespace

// Blanks and tabs, one sign, then "$" hexadecimal, "%" binary or decimal
// digits up to the first other character. Accumulates with 64-bit
// wrap-around, as the file format has always done.
std::int64_t ParseInteger(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < n && text[i] == '%') {
        base = 2;
        ++i;
    }
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) break;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    if (negative) value = 0 - value;
    return static_cast<std::int64_t>(value);
}

std::string FormatInteger(std::int64_t value) {
    // Work on the magnitude as unsigned so the smallest value has one too.
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                        : static_cast<std::uint64_t>(value);
    char digits[24];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::string text;
    text.reserve(count + 1);
    if (value < 0) text.push_back('-');
    while (count > 0) text.push_back(digits[--count]);
    return text;
}

}  // namespace platform
