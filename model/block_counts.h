#pragma once

#include "model/audio_block.h"

#include <algorithm>
#include <cstdint>

namespace corvex
{

// Counts as a stage may use them: never more samples than an AudioBlock holds
// and never more channels than the stage records keep, whatever a caller passes.
inline std::int32_t boundedSampleCount(std::int32_t numSamples)
{
    return std::clamp(numSamples, std::int32_t{0}, std::int32_t{kBlockCapacity});
}

inline std::int32_t boundedChannelCount(std::int32_t numChannels)
{
    return std::clamp(numChannels, std::int32_t{1}, std::int32_t{kMaxChannels});
}

} // namespace corvex
