#pragma once

// The per-sample pieces that the stereo loops run for both channels at once,
// channel c in lane c of a two-double vector: the fixed filters, the soft
// saturation and the scaling, each with the operations of its one-channel
// form in the same order, so that every lane holds the one-channel result.

#include "libraries/dsp/math/double_lanes.h"
#include "model/fixed_filters.h"
#include "model/output_stage_constants.h"

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

// A saturation curve's threshold and knee in both lanes.
struct ClipLanes
{
    DoubleLanes threshold;
    DoubleLanes knee;
};

inline ClipLanes clipLanes(const ClipPair& clip)
{
    return {bothLanes(clip.threshold), bothLanes(clip.knee)};
}

// softClipNonNegative() lane by lane; the division only when a lane is above
// the threshold.
[[gnu::always_inline]] inline DoubleLanes softClipNonNegativeLanes(DoubleLanes x, const ClipLanes& clip)
{
    const auto belowThreshold = x <= clip.threshold;
    if (belowThreshold[0] && belowThreshold[1])
        return x;
    const DoubleLanes excess = dsp::math::maxLanes(clip.threshold, x) - clip.threshold;
    return dsp::math::minLanes(clip.threshold, x) + excess / (excess * clip.knee + 1.0);
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

// scaledSample() lane by lane, for a factor fixed over a block.
class ScaleLanes
{
public:
    explicit ScaleLanes(double factor) : factor_(bothLanes(factor)), zero_(factor == 0.0) {}

    [[gnu::always_inline]] DoubleLanes operator()(DoubleLanes x) const { return zero_ ? DoubleLanes{} : x * factor_; }

private:
    DoubleLanes factor_;
    bool zero_;
};

} // namespace corvex
