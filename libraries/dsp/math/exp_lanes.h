#pragma once

// e^x in both lanes of a two-double vector: exp()'s arithmetic (the same
// templates) on each lane, so that every lane gets exactly the bits exp()
// gives. The table look-up runs lane by lane; a pair with a lane outside the
// main range takes exp() lane by lane.

#include "libraries/dsp/math/double_lanes.h"
#include "libraries/dsp/math/exp.h"

namespace dsp::math
{

inline DoubleLanes expLanes(DoubleLanes x)
{
    using namespace tables;
    constexpr std::uint64_t kAbsMask = 0x7fffffffffffffff;
    // |x| <= 660 in both lanes or not; NaN compares false. (For numbers, this
    // is exp()'s test on the bits.)
    const DoubleLanes magnitude = std::bit_cast<DoubleLanes>(std::bit_cast<LaneBits>(x) & kAbsMask);
    const auto inRange = magnitude <= 660.0;
    if (!(inRange[0] && inRange[1])) [[unlikely]]
        return DoubleLanes{exp(x[0]), exp(x[1])};

    const DoubleLanes shifted = exp_detail::shiftedArgument(x);
    const exp_detail::ReducedArgument<DoubleLanes> e = exp_detail::reduceArgument(x, shifted);

    // k = N m + j, and 2^m hi(j) from the bits: (k >> 10) << 52, the exponent
    // increment, is k << 42 with the low 52 bits cleared. Only the table
    // look-up runs lane by lane.
    const LaneBits k = std::bit_cast<LaneBits>(shifted) - exp_detail::kShifterBits;
    constexpr std::uint64_t kTableMask = (1 << kExpTableBits) - 1;
    const ExpTableEntry& t0 = kExpTable[k[0] & kTableMask];
    const ExpTableEntry& t1 = kExpTable[k[1] & kTableMask];
    const LaneBits exponentStep = (k << (52 - kExpTableBits)) & ~((std::uint64_t{1} << 52) - 1);
    const DoubleLanes s = std::bit_cast<DoubleLanes>(std::bit_cast<LaneBits>(DoubleLanes{t0.hi, t1.hi}) + exponentStep);
    const DoubleLanes small = exp_detail::smallTerms(DoubleLanes{t0.relativeLo, t1.relativeLo}, e);
    return s + exp_detail::tail(s, e.r, small);
}

} // namespace dsp::math
