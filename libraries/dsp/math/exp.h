#pragma once

// e^x from IEEE additions and multiplications in a fixed order and integer
// operations: the same bits on every machine, at most 1 ulp from the exact
// value and almost always its correct rounding.
//
// Method (table-driven, after Tang): x = (N m + j) ln2/N + r with N = 1024,
// j = 0..N-1 and |r| <= ln2/2N, so that e^x = 2^m 2^(j/N) e^r. k = N m + j
// is x N/ln2 rounded to an integer by adding 1.5 2^52; r = x - k ln2/N with
// ln2/N in two parts, the first short enough that k times it is exact, and
// the rounding error of the last subtraction kept. 2^(j/N) comes from a table
// (hi and a relative correction), e^r - 1 - r from its Taylor polynomial of
// degree 4. With s = 2^m hi built from the bits, the result is s + (terms of
// s r and smaller): only that last addition rounds at the level of the
// result's ulp, the other roundings are 2^-10 of it or less.

#include "libraries/dsp/math/math_tables.h"

#include <bit>
#include <cstdint>

namespace dsp::math
{

// e^x when |x| > 660 or x is not a number: overflow, results near or below
// the smallest normal number (rounded once), infinities and NaN. Below
// e^-660 ~ 2^-952 the small products of the main path could fall below the
// smallest normal number and be flushed to zero on threads that flush
// denormals; the outside path forms them before scaling.
double expOutsideMainRange(double x);

namespace exp_detail
{

inline constexpr double kShifter = 0x1.8p52; // adding it rounds to an integer
inline constexpr std::uint64_t kShifterBits = 0x4338000000000000;

// The arithmetic of exp() is written once for a double and for DoubleLanes
// (expLanes()), which performs each operation lane by lane: only the table
// look-up and the scale's exponent are each form's own.

// x N/ln2 + 1.5 2^52, which holds k = x N/ln2 rounded to an integer in its
// low bits.
template <class Value>
[[gnu::always_inline]] inline Value shiftedArgument(Value x)
{
    return x * tables::kExpInvStep + kShifter;
}

// x = k ln2/N + r: r rounded, and its rounding error.
template <class Value>
struct ReducedArgument
{
    Value r;
    Value rError;
};

template <class Value>
[[gnu::always_inline]] inline ReducedArgument<Value> reduceArgument(Value x, Value shifted)
{
    using namespace tables;
    const Value kd = shifted - kShifter;
    // x - k hi is exact (k hi is exact and within a factor of 2 of x).
    const Value a = x - kd * kExpStepHi;
    const Value b = -(kd * kExpStepLo);
    const Value r = a + b;
    // Its rounding error (Dekker's fast two-sum). Exact when |a| >= |b|;
    // otherwise |a| < |b| < 2^-24 and both the error and this estimate of it
    // are below 2^-76, far below what matters.
    return {r, b - (r - a)};
}

// `small` = d + d r + r's rounding error, for 2^(j/N) = hi (1 + d).
template <class Value>
[[gnu::always_inline]] inline Value smallTerms(Value relativeLo, const ReducedArgument<Value>& e)
{
    return (relativeLo + e.rError) + relativeLo * e.r;
}

// s (r + small + q(r)) with q(r) = e^r - 1 - r, the part of s e^r beyond s.
// q(r) s is summed as s r^2 (1/2 + r/6) + s r^2 (r^2/24), so that the latest
// terms wait for one multiplication by s r^2 rather than for q and then s.
template <class Value>
[[gnu::always_inline]] inline Value tail(Value s, Value r, Value small)
{
    using tables::kExpCoefficients;
    const Value r2 = r * r;
    const Value sr2 = s * r2;
    return ((s * r + s * small) + sr2 * (kExpCoefficients[0] + r * kExpCoefficients[1])) +
           sr2 * (r2 * kExpCoefficients[2]);
}

// x = k ln2/N + r: 2^(j/N) = hi (1 + d) from the table (j = k mod N), so that
// e^x = 2^m hi (1 + r + small + q(r)), m = k div N.
struct Reduced
{
    std::int64_t k;
    double hi;
    double r;
    double small;
};

inline Reduced reduce(double x)
{
    using namespace tables;
    const double shifted = shiftedArgument(x);
    // k first: the table look-up waits for it.
    const auto k = static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(shifted) - kShifterBits);
    const ReducedArgument<double> e = reduceArgument(x, shifted);
    const ExpTableEntry& t = kExpTable[k & ((1 << kExpTableBits) - 1)];
    return {k, t.hi, e.r, smallTerms(t.relativeLo, e)};
}

} // namespace exp_detail

inline double exp(double x)
{
    constexpr std::uint64_t kAbsMask = 0x7fffffffffffffff;
    constexpr std::uint64_t kLimitBits = 0x4084a00000000000; // 660.0
    // |x| <= 660 or not; NaN compares above.
    if ((std::bit_cast<std::uint64_t>(x) & kAbsMask) > kLimitBits) [[unlikely]]
        return expOutsideMainRange(x);
    const exp_detail::Reduced e = exp_detail::reduce(x);
    // s = 2^m hi, from the bits: m added to the exponent field.
    const std::uint64_t m = static_cast<std::uint64_t>(e.k >> tables::kExpTableBits);
    const double s = std::bit_cast<double>(std::bit_cast<std::uint64_t>(e.hi) + (m << 52));
    return s + exp_detail::tail(s, e.r, e.small);
}

} // namespace dsp::math
