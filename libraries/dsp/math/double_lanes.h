#pragma once

// Two doubles in one vector register (GCC vector extensions: SSE2 on x86-64,
// NEON on ARM64). Every operator works lane by lane with the IEEE operation
// of the scalar code, so a lane holds exactly what the scalar code computes.

#include <bit>
#include <cstdint>

namespace dsp::math
{

using DoubleLanes = double __attribute__((vector_size(16)));
using LaneBits = std::uint64_t __attribute__((vector_size(16)));

// std::max(a, b) and std::min(a, b) lane by lane, with their tie and NaN rules.
inline DoubleLanes maxLanes(DoubleLanes a, DoubleLanes b)
{
    return a < b ? b : a;
}

inline DoubleLanes minLanes(DoubleLanes a, DoubleLanes b)
{
    return b < a ? b : a;
}

} // namespace dsp::math
