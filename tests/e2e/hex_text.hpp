// Texts as the test driver carries them: hex of their UTF-8 bytes, "-" for
// empty text.
#pragma once

#include <string>

namespace e2e {

std::string ToHex(const std::string& bytes);
// The decoded bytes; "-" and malformed hex give empty text.
std::string FromHex(const std::string& hex);

}  // namespace e2e
