#pragma once

#include "model/circuit_values.h"
#include "model/output_stage_constants.h"

namespace corvex
{

// Soft saturation of a finite x >= +0.0, the positive half that the circuits
// saturate: the identity up to the threshold T; above it the excess e is
// compressed to e / (e k + 1), so the curve bends towards the asymptote T + 1/k
// (the curve of negative samples would be its mirror image; no circuit
// saturates them). The division, the longest step of a circuit's serial chain,
// runs only when a lane is above the threshold; a lane at or below it gets
// T's share plus 0, which is itself. (Finite because the engine's input is:
// NaN and infinities enter as 0.0.)
template <class Value>
[[gnu::always_inline]] inline Value softClipNonNegative(Value x, const ClipCurve<Value>& clip)
{
    if (allLanes(x <= clip.threshold))
        return x;
    const Value excess = larger(clip.threshold, x) - clip.threshold;
    return smaller(clip.threshold, x) + excess / (excess * clip.knee + 1.0);
}

} // namespace corvex
