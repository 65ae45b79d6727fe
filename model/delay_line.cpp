#include "model/delay_line.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/block_counts.h"
#include "model/ring_delay.h"

namespace corvex
{

void resetDelayLine(DelayLineState& state)
{
    for (double* channel : state.buffer)
        vec::zeroDoubles(channel, kDelayLineLength);
    state.writePosition = 0;
}

void delayLine(const double* const* source, double* const* destination, std::int32_t numSamples,
               std::int32_t numChannels, DelayLineState& state, std::uint32_t delaySamples)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    const std::int32_t channels = boundedChannelCount(numChannels);
    const std::uint32_t w = runRingDelay<kDelayLineLength>(source, destination, n, channels, state.buffer,
                                                           static_cast<std::uint32_t>(state.writePosition),
                                                           delaySamples);
    state.writePosition = static_cast<std::int32_t>(w);
}

} // namespace corvex
