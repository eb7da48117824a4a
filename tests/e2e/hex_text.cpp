// Hex coding of driver texts.
#include "hex_text.hpp"

namespace e2e {

std::string ToHex(const std::string& bytes) {
    if (bytes.empty()) return "-";
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

static int Digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    if (hex.size() % 2 != 0) return {};
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = Digit(hex[i]);
        const int low = Digit(hex[i + 1]);
        if (high < 0 || low < 0) return {};
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

}  // namespace e2e
