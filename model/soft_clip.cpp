#include "model/soft_clip.h"

#include "model/block_counts.h"

namespace corvex
{

void softClip(const double* source, double* destination, std::int32_t numSamples, const ClipPair& clip)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    for (std::int32_t i = 0; i < n; ++i)
        destination[i] = softClip(source[i], clip);
}

} // namespace corvex
