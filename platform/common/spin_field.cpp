#include "platform/common/spin_field.hpp"

namespace platform {

std::int32_t SpinFieldValue(const std::string& field, std::int32_t current, std::int32_t minimum,
                            std::int32_t maximum) {
    std::size_t i = field.size() > 0 && field[0] == '-' ? 1 : 0;
    const bool negative = i == 1;
    if (i >= field.size()) return current;
    std::int64_t magnitude = 0;
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') return current;
        magnitude = magnitude * 10 + (field[i] - '0');
        if (magnitude > std::int64_t{1} << 32) return current;  // beyond any range
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return value >= minimum && value <= maximum ? static_cast<std::int32_t>(value) : current;
}

}  // namespace platform
