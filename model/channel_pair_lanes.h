#pragma once

// The per-sample pieces that the stereo loops run for both channels at once,
// channel c in lane c of a two-double vector: the fixed filters, the soft
// saturation and the scaling, each with the operations of its one-channel
// form in the same order, so that every lane holds the one-channel result.

#include "libraries/dsp/math/double_lanes.h"
#include "model/fixed_filters.h"
#include "model/output_stage_constants.h"

#include <bit>
#include <cstdint>

namespace corvex
{

using dsp::math::DoubleLanes;

inline DoubleLanes lanes(double lane0, double lane1)
{
    return DoubleLanes{lane0, lane1};
}

inline DoubleLanes bothLanes(double value)
{
    return DoubleLanes{value, value};
}

struct FirstOrderLanes
{
    DoubleLanes s, b0, b1, a1;
};

struct SecondOrderLanes
{
    DoubleLanes s1, s2, b0, b1, b2, a1, a2;
};


inline FirstOrderLanes packFilter(const FixedFirstOrder& f0, const FixedFirstOrder& f1)
{
    return {lanes(f0.s, f1.s), lanes(f0.b0, f1.b0), lanes(f0.b1, f1.b1), lanes(f0.a1, f1.a1)};
}

inline SecondOrderLanes packFilter(const FixedSecondOrder& f0, const FixedSecondOrder& f1)
{
    return {lanes(f0.s1, f1.s1), lanes(f0.s2, f1.s2), lanes(f0.b0, f1.b0), lanes(f0.b1, f1.b1),
            lanes(f0.b2, f1.b2), lanes(f0.a1, f1.a1), lanes(f0.a2, f1.a2)};
}

// The filter states of lane c back into the channel's record.
inline void unpackFilter(const FirstOrderLanes& lanes, int c, FixedFirstOrder& filter)
{
    filter.s = lanes.s[c];
}

inline void unpackFilter(const SecondOrderLanes& lanes, int c, FixedSecondOrder& filter)
{
    filter.s1 = lanes.s1[c];
    filter.s2 = lanes.s2[c];
}

[[gnu::always_inline]] inline DoubleLanes filterLanes(FirstOrderLanes& f, DoubleLanes x)
{
    const DoubleLanes y = f.b0 * x + f.s;
    f.s = f.b1 * x - f.a1 * y;
    return y;
}

[[gnu::always_inline]] inline DoubleLanes filterLanes(SecondOrderLanes& f, DoubleLanes x)
{
    const DoubleLanes y = f.b0 * x + f.s1;
    f.s1 = f.b1 * x + f.s2 - f.a1 * y;
    f.s2 = f.b2 * x - f.a2 * y;
    return y;
}

// softClip() lane by lane.
[[gnu::always_inline]] inline DoubleLanes softClipLanes(DoubleLanes x, const ClipPair& clip)
{
    using dsp::math::LaneBits;
    constexpr std::uint64_t kSignBit = 0x8000000000000000;
    const LaneBits bits = std::bit_cast<LaneBits>(x);
    const DoubleLanes sign = std::bit_cast<DoubleLanes>((bits & kSignBit) | std::bit_cast<std::uint64_t>(1.0));
    const DoubleLanes magnitude = std::bit_cast<DoubleLanes>(bits & ~kSignBit);
    const DoubleLanes threshold = bothLanes(clip.threshold);
    const DoubleLanes excess = dsp::math::maxLanes(threshold, magnitude) - threshold;
    const DoubleLanes clipped =
        sign * (dsp::math::minLanes(threshold, magnitude) + excess / (excess * clip.knee + 1.0));
    const DoubleLanes zero{};
    return x == zero ? zero : clipped;
}

// softClipNonNegative() lane by lane; the division only when a lane is above
// the threshold.
[[gnu::always_inline]] inline DoubleLanes softClipNonNegativeLanes(DoubleLanes x, const ClipPair& clip)
{
    const DoubleLanes threshold = bothLanes(clip.threshold);
    const auto belowThreshold = x <= threshold;
    if (belowThreshold[0] && belowThreshold[1])
        return x;
    const DoubleLanes excess = dsp::math::maxLanes(threshold, x) - threshold;
    return dsp::math::minLanes(threshold, x) + excess / (excess * clip.knee + 1.0);
}

// The positive half of a sample, +0.0 elsewhere (y > 0 ? y : 0), and the
// negative half (0 < y ? 0 : y), lane by lane.
[[gnu::always_inline]] inline DoubleLanes positiveHalfLanes(DoubleLanes y)
{
    return dsp::math::maxLanes(DoubleLanes{}, y);
}

[[gnu::always_inline]] inline DoubleLanes negativeHalfLanes(DoubleLanes y)
{
    return dsp::math::minLanes(y, DoubleLanes{});
}

// scaledSample() lane by lane.
[[gnu::always_inline]] inline DoubleLanes scaledLanes(DoubleLanes x, double factor)
{
    return factor == 0.0 ? DoubleLanes{} : x * factor;
}

} // namespace corvex
