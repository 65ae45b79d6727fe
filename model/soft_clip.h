#pragma once

#include "model/output_stage_constants.h"

#include <algorithm>
#include <cmath>

namespace corvex
{

// Soft saturation: the identity up to the threshold T; above it the excess e is
// compressed to e / (e k + 1), so the curve bends towards the asymptote T + 1/k.
// Odd-symmetric; 0 stays 0.
inline double softClip(double x, const ClipPair& clip)
{
    if (x == 0.0)
        return 0.0;
    const double sign = std::copysign(1.0, x);
    const double magnitude = std::fabs(x);
    const double excess = std::max(clip.threshold, magnitude) - clip.threshold;
    return sign * (std::min(clip.threshold, magnitude) + excess / (excess * clip.knee + 1.0));
}

// softClip() for a finite x >= +0.0, the positive half that the circuits
// saturate: the sign is +1 and 0 maps to 0 anyway, and up to the threshold
// the curve is the identity, so the result has softClip()'s bits with the
// division (the longest step of the circuit's serial chain) only above the
// threshold. (Finite because the engine's input is: NaN and infinities enter
// as 0.0.)
inline double softClipNonNegative(double x, const ClipPair& clip)
{
    if (x <= clip.threshold)
        return x;
    const double excess = std::max(clip.threshold, x) - clip.threshold;
    return std::min(clip.threshold, x) + excess / (excess * clip.knee + 1.0);
}

} // namespace corvex
