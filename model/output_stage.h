#pragma once

#include "model/output_stage_constants.h"

#include <cstdint>

namespace corvex
{

struct ChannelState;

// The output stage of a block: the first output circuit, the output gain ramp
// towards outputGainTargets[c] and the second output circuit, for each channel.
void runOutputStage(const double* const* source, double* const* destination, std::int32_t numSamples,
                    std::int32_t numChannels, ChannelState* channels, const double* outputGainTargets,
                    const OutputStageConstants& constants);

} // namespace corvex
