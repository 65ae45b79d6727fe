#pragma once

#include "model/parameter_snapshot.h"

#include <cstdint>

namespace corvex
{

struct ModelState;

// Fade below which the fade snaps to exactly 0.0, so that the settled bypass
// (runSettledBypass) can take over.
inline constexpr double kEnableSnapThreshold = 0.0001;
// Fraction of the remaining distance the enable fade moves per sample.
inline constexpr double kEnableFadeRate = 0.001;

// Runs the compressor model and crossfades it per sample with the
// latency-aligned dry path while the effect is on or still fading out. Writes
// the output block and the meters. For blocks of a settled bypass
// (bypassSettled) the engine runs runSettledBypass instead, on the host's floats.
void runBypassCrossfade(const double* const* input, const double* const* sideChain, double* const* output,
                        std::int32_t numSamples, std::int32_t numChannels, const ParameterSnapshot& snapshot,
                        ModelState& state);

} // namespace corvex
