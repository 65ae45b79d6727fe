#pragma once

#include "model/parameter_snapshot.h"

#include <cstdint>

namespace corvex
{

struct ModelState;

// True when the block would take the dry path alone: the effect is off and its
// enable fade has settled at exactly 0.0 (after a pending reset, the fade starts
// at its target).
bool bypassSettled(const ParameterSnapshot& snapshot, const ModelState& state);

// The block of a settled bypass, straight from host floats to host floats: each
// sample widened (a NaN or an infinity as 0.0) into the latency delay, read back
// the latency later, plus 0.0 and narrowed; the meters show the delayed input
// with no reduction. Bit for bit what the double path computes for such a block.
// Counts must be valid (1 to 32 samples, 1 or 2 channels).
void runSettledBypass(const float* const* input, float* const* output, std::int32_t numSamples,
                      std::int32_t numChannels, const ParameterSnapshot& snapshot, ModelState& state);

} // namespace corvex
