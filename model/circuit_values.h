#pragma once

// The operations that the circuits' bodies are written in, for one channel
// (double) and for the two channels of a stereo block in the two lanes of a
// vector (DoubleLanes, channel c in lane c). Each DoubleLanes form performs
// the double form's IEEE operation lane by lane, so a body written once over
// the value type gives every lane the one-channel bits.

#include "libraries/dsp/math/double_lanes.h"

#include <algorithm>

namespace corvex
{

using dsp::math::DoubleLanes;

inline DoubleLanes bothLanes(double value)
{
    return DoubleLanes{value, value};
}

// A block's constant as a loop over Value reads it: itself for one channel,
// in both lanes for two.
template <class Value>
Value spread(double value);

template <>
[[gnu::always_inline]] inline double spread<double>(double value)
{
    return value;
}

template <>
[[gnu::always_inline]] inline DoubleLanes spread<DoubleLanes>(double value)
{
    return bothLanes(value);
}

inline DoubleLanes lanes(double lane0, double lane1)
{
    return DoubleLanes{lane0, lane1};
}

// std::max and std::min, with their tie and NaN rules.
[[gnu::always_inline]] inline double larger(double a, double b)
{
    return std::max(a, b);
}

[[gnu::always_inline]] inline DoubleLanes larger(DoubleLanes a, DoubleLanes b)
{
    return dsp::math::maxLanes(a, b);
}

[[gnu::always_inline]] inline double smaller(double a, double b)
{
    return std::min(a, b);
}

[[gnu::always_inline]] inline DoubleLanes smaller(DoubleLanes a, DoubleLanes b)
{
    return dsp::math::minLanes(a, b);
}

// The positive half of a sample, +0.0 elsewhere (y > 0 ? y : 0), and the
// negative half (0 < y ? 0 : y).
[[gnu::always_inline]] inline double positiveHalf(double y)
{
    return y > 0.0 ? y : 0.0;
}

[[gnu::always_inline]] inline DoubleLanes positiveHalf(DoubleLanes y)
{
    return dsp::math::maxLanes(DoubleLanes{}, y);
}

[[gnu::always_inline]] inline double negativeHalf(double y)
{
    return 0.0 < y ? 0.0 : y;
}

[[gnu::always_inline]] inline DoubleLanes negativeHalf(DoubleLanes y)
{
    return dsp::math::minLanes(y, DoubleLanes{});
}

// Whether a comparison holds in every lane (for one channel: whether it holds).
[[gnu::always_inline]] inline bool allLanes(bool holds)
{
    return holds;
}

template <class Mask>
[[gnu::always_inline]] inline bool allLanes(Mask holds)
{
    return holds[0] && holds[1];
}

// Lane by lane: where the comparison holds, ifTrue, elsewhere ifFalse.
[[gnu::always_inline]] inline double choose(bool holds, double ifTrue, double ifFalse)
{
    return holds ? ifTrue : ifFalse;
}

template <class Mask>
[[gnu::always_inline]] inline DoubleLanes choose(Mask holds, DoubleLanes ifTrue, DoubleLanes ifFalse)
{
    return holds ? ifTrue : ifFalse;
}

} // namespace corvex
