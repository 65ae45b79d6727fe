#include "core/mul_div.h"

#include <gtest/gtest.h>

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace
{

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero)
{
    EXPECT_EQ(core::mulDiv(24, 4, 8), 12);
    EXPECT_EQ(core::mulDiv(5, 4, 6), 3);  // 3.33
    EXPECT_EQ(core::mulDiv(7, 4, 6), 5);  // 4.67
    EXPECT_EQ(core::mulDiv(3, 1, 2), 2);  // 1.5
    EXPECT_EQ(core::mulDiv(-3, 1, 2), -2);
    EXPECT_EQ(core::mulDiv(3, -1, 2), -2);
    EXPECT_EQ(core::mulDiv(3, 1, -2), -2);
    EXPECT_EQ(core::mulDiv(-3, -1, -2), -2);
    EXPECT_EQ(core::mulDiv(-13, 72, 96), -10); // -9.75
}

TEST(MulDiv, KeepsTheFullProductAndFailsOutsideTheRange)
{
    EXPECT_EQ(core::mulDiv(100000, 100000, 100000), 100000);
    EXPECT_EQ(core::mulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(core::mulDiv(INT32_MAX, 2, 1), -1);
    EXPECT_EQ(core::mulDiv(INT32_MIN, 1, 1), -1);
    EXPECT_EQ(core::mulDiv(1, 1, 0), -1);
}

#ifdef _WIN32
TEST(MulDiv, AgreesWithTheSystemCall)
{
    // The most negative value is left out: implementations of the system call
    // disagree on it, as negating it overflows.
    const std::int32_t values[] = {0, 1, -1, 2, 3, 7, -7, 16, 24, 95, 350, 1000, -1000, 65535, 123456789, INT32_MAX};
    for (std::int32_t number : values)
        for (std::int32_t numerator : values)
            for (std::int32_t denominator : values)
                EXPECT_EQ(core::mulDiv(number, numerator, denominator), MulDiv(number, numerator, denominator))
                    << number << " * " << numerator << " / " << denominator;
}
#endif

} // namespace
