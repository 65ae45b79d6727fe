#include "libraries/dsp/math/trig.h"

#include "libraries/dsp/math/double_double.h"
#include "libraries/dsp/math/half_pi_reduction.h"
#include "libraries/dsp/math/math_tables.h"

#include <bit>
#include <cstdint>

namespace dsp::math
{

namespace
{

// Below 2^-27 in magnitude, sin x and tan x round to x and cos x to 1: the
// relative corrections x^2 / 6, x^2 / 3 and x^2 / 2 stay below 2^-55, less
// than half the smallest relative ulp.
constexpr double kTiny = 0x1p-27;
constexpr double kQuarterPi = 0x1.921fb54442d18p-1;

double magnitude(double x)
{
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) & 0x7fffffffffffffff);
}

HalfPiReduction reduce(double x)
{
    if (magnitude(x) <= kQuarterPi)
        return {0, {x, 0.0}};
    return reduceByHalfPi(x);
}

// Taylor series sum c[n] r2^n over n < kTrigTerms in double-double (Horner);
// for |r| <= pi/4 the first omitted term is below 2^-110.
DoubleDouble series(const double (*c)[2], DoubleDouble r2)
{
    using tables::kTrigTerms;
    DoubleDouble sum = {c[kTrigTerms - 1][0], c[kTrigTerms - 1][1]};
    for (int n = kTrigTerms - 2; n >= 0; --n)
        sum = add(multiply(sum, r2), {c[n][0], c[n][1]});
    return sum;
}

DoubleDouble sinOfReduced(DoubleDouble r)
{
    return multiply(r, series(tables::kSinCoefficients, multiply(r, r)));
}

DoubleDouble cosOfReduced(DoubleDouble r)
{
    return series(tables::kCosCoefficients, multiply(r, r));
}

// NaN for infinities and NaN.
bool notFinite(double x)
{
    return (std::bit_cast<std::uint64_t>(x) & 0x7ff0000000000000) == 0x7ff0000000000000;
}

} // namespace

double sin(double x)
{
    if (notFinite(x))
        return x - x;
    if (magnitude(x) < kTiny)
        return x;
    const HalfPiReduction q = reduce(x);
    switch (q.quadrant)
    {
    case 0: return toDouble(sinOfReduced(q.r));
    case 1: return toDouble(cosOfReduced(q.r));
    case 2: return -toDouble(sinOfReduced(q.r));
    default: return -toDouble(cosOfReduced(q.r));
    }
}

double cos(double x)
{
    if (notFinite(x))
        return x - x;
    if (magnitude(x) < kTiny)
        return 1.0;
    const HalfPiReduction q = reduce(x);
    switch (q.quadrant)
    {
    case 0: return toDouble(cosOfReduced(q.r));
    case 1: return -toDouble(sinOfReduced(q.r));
    case 2: return -toDouble(cosOfReduced(q.r));
    default: return toDouble(sinOfReduced(q.r));
    }
}

double tan(double x)
{
    if (notFinite(x))
        return x - x;
    if (magnitude(x) < kTiny)
        return x;
    const HalfPiReduction q = reduce(x);
    const DoubleDouble s = sinOfReduced(q.r);
    const DoubleDouble c = cosOfReduced(q.r);
    // tan(r + pi/2) = -cos r / sin r.
    return (q.quadrant & 1u) != 0 ? -toDouble(divide(c, s)) : toDouble(divide(s, c));
}

} // namespace dsp::math
