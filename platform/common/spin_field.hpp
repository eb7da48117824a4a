// How a spin box reads its edit field, the same on every desktop.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The spin box's value after reading its field: the field's number when the
// field holds a whole decimal number (optionally negative, nothing else)
// within [minimum, maximum]; otherwise the current value stays.
std::int32_t SpinFieldValue(const std::string& field, std::int32_t current, std::int32_t minimum,
                            std::int32_t maximum);

}  // namespace platform
