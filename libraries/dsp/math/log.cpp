#include "libraries/dsp/math/log.h"

#include "libraries/dsp/math/double_double.h"
#include "libraries/dsp/math/math_tables.h"

#include <bit>
#include <cstdint>
#include <limits>

namespace dsp::math
{

// x = 2^e m with m in [sqrt(1/2), sqrt(2)); log x = e ln2 + 2 atanh(f) with
// f = (m - 1) / (m + 1), |f| <= 0.172, and 2 atanh(f) = 2 f sum f^2n / (2n + 1),
// summed in double-double (22 terms: f^44 / 45 < 2^-112). The error before the
// final rounding is about 2^-100 of the result.
double log(double x)
{
    using namespace tables;
    if (!(x > 0.0))
        return x == 0.0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::quiet_NaN();
    if (x == std::numeric_limits<double>::infinity())
        return x;

    std::int64_t e = 0;
    if (x < std::numeric_limits<double>::min())
    {
        x *= 0x1p54; // subnormal: make it normal first
        e = -54;
    }
    const auto bits = std::bit_cast<std::uint64_t>(x);
    e += static_cast<std::int64_t>(bits >> 52) - 1023;
    // m in [1, 2), then halved when above sqrt(2).
    double m = std::bit_cast<double>((bits & 0x000fffffffffffff) | 0x3ff0000000000000);
    if (m > 0x1.6a09e667f3bcdp+0)
    {
        m *= 0.5;
        ++e;
    }

    // m - 1 is exact (m within a factor 2 of 1).
    const DoubleDouble f = divide({m - 1.0, 0.0}, twoSum(m, 1.0));
    const DoubleDouble f2 = multiply(f, f);
    DoubleDouble series = {kAtanhCoefficients[kAtanhTerms - 1][0], kAtanhCoefficients[kAtanhTerms - 1][1]};
    for (int n = kAtanhTerms - 2; n >= 0; --n)
        series = add(multiply(series, f2), {kAtanhCoefficients[n][0], kAtanhCoefficients[n][1]});
    const DoubleDouble atanh2 = multiply(multiply(f, series), 2.0);

    const DoubleDouble eLn2 = multiply(DoubleDouble{kLn2[0], kLn2[1]}, static_cast<double>(e));
    return toDouble(add(eLn2, atanh2));
}

} // namespace dsp::math
