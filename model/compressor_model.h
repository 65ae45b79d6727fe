#pragma once

#include "model/parameter_snapshot.h"

#include <cstdint>

namespace corvex
{

struct ModelState;

// Rate at which the dry/wet and listen mixers glide, per sample.
inline constexpr double kMixerRate = 0.0025;

// Carries one block through the whole compressor: input matrix, input meter and
// gain, side-chain path, feedback gain computer, main delay, range limit and
// gain-reduction meter, first output circuit, output gain, second output
// circuit, output matrix, dry/wet, output meter, listen matrix, delay and switch.
// Also writes the latency-aligned dry signal that the bypass fade blends with.
void runCompressorModel(const double* const* input, const double* const* sideChain, double* const* output,
                        double* const* dry, std::int32_t numSamples, std::int32_t numChannels,
                        const ParameterSnapshot& snapshot, ModelState& state);

} // namespace corvex
