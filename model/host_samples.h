#pragma once

// The rules for the host's float samples, which every path from and to the
// host follows: the compressor's double path and the settled bypass.

#include "libraries/dsp/vector/vector_primitives.h"

#include <cmath>
#include <cstdint>

namespace corvex
{

// A host sample as the engine takes it in: widened; a NaN or an infinity,
// which would enter the gain computer's feedback loop and silence every later
// block, as 0.0.
[[gnu::always_inline]] inline double fromHost(float sample)
{
    const double x = static_cast<double>(sample);
    return std::isfinite(x) ? x : 0.0;
}

// A sample as the engine hands it out: clamped to the float range, narrowed.
[[gnu::always_inline]] inline float toHost(double sample)
{
    double x = sample;
    if (x > vec::kLargestFloat)
        x = vec::kLargestFloat;
    else if (x < -vec::kLargestFloat)
        x = -vec::kLargestFloat;
    return static_cast<float>(x);
}

inline void fromHost(const float* source, double* destination, std::int32_t numSamples)
{
    for (std::int32_t i = 0; i < numSamples; ++i)
        destination[i] = fromHost(source[i]);
}

inline void toHost(const double* source, float* destination, std::int32_t numSamples)
{
    for (std::int32_t i = 0; i < numSamples; ++i)
        destination[i] = toHost(source[i]);
}

} // namespace corvex
