#pragma once

#include "model/parameter_snapshot.h"

#include <cstdint>

namespace corvex
{

struct ModelState;

// Fade below which the fade snaps to exactly 0.0, so the light path can take over.
inline constexpr double kEnableSnapThreshold = 0.0001;
// Fraction of the remaining distance the enable fade moves per sample.
inline constexpr double kEnableFadeRate = 0.001;

// Runs the compressor model while the effect is on or still fading out, or only
// the latency-aligned dry path once it is off, and crossfades the two per sample.
// Writes the output block and the meters.
void runBypassCrossfade(const double* const* input, const double* const* sideChain, double* const* output,
                        std::int32_t numSamples, std::int32_t numChannels, const ParameterSnapshot& snapshot,
                        ModelState& state);

} // namespace corvex
