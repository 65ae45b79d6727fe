#include "libraries/dsp/math/exp.h"

#include "libraries/dsp/math/double_double.h"

#include <limits>

namespace dsp::math
{

namespace
{

// 2^n for -1022 <= n <= 1023, from the bits.
double powerOfTwo(std::int64_t n)
{
    return std::bit_cast<double>(static_cast<std::uint64_t>(n + 1023) << 52);
}

} // namespace

double expOutsideMainRange(double x)
{
    // e^x overflows above ln(largest double) (this value rounded down); below
    // -746, e^x < 2^-1076 rounds to +0. Between -746 and -745.13 the rounding
    // below gives +0 as well.
    constexpr double kOverflow = 0x1.62e42fefa39efp+9;
    constexpr double kUnderflow = -746.0;
    if (x != x)
        return x + x;
    if (x > kOverflow)
        return std::numeric_limits<double>::infinity();
    if (x < kUnderflow)
        return 0.0;

    const exp_detail::Reduced e = exp_detail::reduce(x);
    const std::int64_t m = e.k >> tables::kExpTableBits;
    // e^x = 2^m (hi + tail), hi + tail in [0.999, 2).
    const double tail = exp_detail::tail(e.hi, e.r, e.small);
    const double mantissa = e.hi + tail;
    if (m > -1022 || (m == -1022 && mantissa >= 1.0))
    {
        // A normal result: scaling by 2^m is exact (in two steps, as 2^1024
        // is not a double).
        const std::int64_t half = m / 2;
        return mantissa * powerOfTwo(half) * powerOfTwo(m - half);
    }
    // Below 2^-1022 the result is a multiple of 2^-1074: y = e^x 2^1074 is
    // rounded to an integer once, by adding it to 2^52 (where the spacing of
    // doubles is 1), from its double-double value.
    const double scale = powerOfTwo(m + 1074); // m >= -1077
    const DoubleDouble y = fastTwoSum(e.hi * scale, tail * scale);
    const DoubleDouble shifted = twoSum(0x1p52, y.hi);
    const double integer = (shifted.hi + (shifted.lo + y.lo)) - 0x1p52;
    return integer * std::numeric_limits<double>::denorm_min();
}

} // namespace dsp::math
