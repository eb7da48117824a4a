// A spin box reading its field: only whole numbers within the range count.
#include "platform/common/spin_field.hpp"

#include <gtest/gtest.h>

namespace {

TEST(SpinFieldTest, TakesOnlyWholeNumbersWithinTheRange) {
    struct Case {
        const char* field;
        int expected;  // with current value 800 and range 10..1200
    };
    const Case cases[] = {
        {"150", 150}, {"10", 10}, {"1200", 1200}, {"0150", 150},
        {"1", 800}, {"1500", 800}, {"9", 800}, {"1201", 800},
        {"", 800}, {"-", 800}, {"abc", 800}, {"15x", 800}, {" 150", 800}, {"150 ", 800},
        {"+150", 800}, {"1,200", 800}, {"99999999999999999999", 800},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::SpinFieldValue(c.field, 800, 10, 1200), c.expected) << "field \"" << c.field << "\"";
    }
    EXPECT_EQ(platform::SpinFieldValue("-5", 0, -10, 10), -5);
    EXPECT_EQ(platform::SpinFieldValue("-11", 0, -10, 10), 0);
}

}  // namespace
