#pragma once

#include <cstdint>

namespace corvex
{

// A clip whose cut-off amount charges a smoothed feedback that shifts the
// following samples, over a block. Per sample: u = f + x; c = clip(u); the
// output is c, the cut-off amount c - u; f = f + ((c - u) chargeGain - f) smoothing.
// A negative chargeGain charges by (u - c) |chargeGain|, exactly. Returns f.
template <typename Clip>
double clipWithFeedback(const double* source, double* clipped, double* cutOff, std::int32_t numSamples,
                        double feedback, Clip clip, double chargeGain, double smoothing)
{
    for (std::int32_t i = 0; i < numSamples; ++i)
    {
        const double u = feedback + source[i];
        const double c = clip(u);
        clipped[i] = c;
        cutOff[i] = c - u;
        feedback = feedback + (cutOff[i] * chargeGain - feedback) * smoothing;
    }
    return feedback;
}

} // namespace corvex
