// Reply building, word splitting, hex and UTF-8 conversions for the driver.
#include "protocol.hpp"

#include <cstdio>
#include <cstdlib>

namespace driver {

Reply Ok(const std::string& fields) { return {true, fields}; }
Reply Ok(std::initializer_list<std::string> fields) { return {true, Join(fields, ' ')}; }
Reply Err(const std::string& reason) { return {false, reason}; }

std::string Join(std::initializer_list<std::string> parts, char separator) {
    std::string joined;
    for (const std::string& part : parts) {
        if (&part != parts.begin()) joined += separator;
        joined += part;
    }
    return joined;
}

std::string Num(long long value) { return std::to_string(value); }

Args SplitWords(const std::string& line) {
    Args words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

std::string HexEncode(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool HexDecode(const std::string& hex, std::string& bytes) {
    bytes.clear();
    if (hex == "-") return true;
    if (hex.size() % 2 != 0) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr,
                        nullptr);
    return utf8;
}

std::string HexText(const std::wstring& wide) {
    return wide.empty() ? std::string("-") : HexEncode(Utf8(wide));
}

bool DecodeText(const std::string& hex, std::wstring& wide) {
    std::string bytes;
    if (!HexDecode(hex, bytes)) return false;
    wide = Widen(bytes);
    return true;
}

std::string FormatHandle(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}

HWND ParseHandle(const std::string& text) {
    long long value = 0;
    if (!ParseInt(text, value)) return nullptr;
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}

bool ParseInt(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 0);
    return end != nullptr && *end == '\0';
}

}  // namespace driver
