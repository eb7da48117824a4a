// Text conversion for display: the program's own texts are code page 1251
// and are shown through the wide-character functions, whatever the system's
// ANSI code page is.
#pragma once

#include <string>

namespace platform {

std::wstring Cp1251ToWide(const std::string& text);

}  // namespace platform
