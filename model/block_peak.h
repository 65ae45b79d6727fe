#pragma once

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/audio_block.h"

#include <cstdint>

namespace corvex
{

// Largest absolute value of a channel's block, as the level meters show it.
inline double blockPeak(const double* samples, std::int32_t numSamples)
{
    double magnitude[kBlockCapacity];
    double peak = 0.0;
    vec::absDoubles(samples, magnitude, numSamples);
    vec::maxOfDoubles(magnitude, numSamples, &peak);
    return peak;
}

} // namespace corvex
