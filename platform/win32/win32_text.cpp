// Code page 1251 to UTF-16 for the program's own texts (titles, labels,
// buttons, menu items, message boxes).
#include "win32_text.hpp"

#include <windows.h>

namespace platform {

namespace {
constexpr UINT kProgramCodePage = 1251;
}

std::wstring Cp1251ToWide(const std::string& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(kProgramCodePage, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(kProgramCodePage, 0, text.data(), length, wide.data(), wideLength);
    return wide;
}

}  // namespace platform
