#pragma once

#include "model/audio_block.h"

#include <cstdint>

namespace corvex
{

inline constexpr std::uint32_t kDelayLineLength = 1024; // samples per channel, a power of two

// A two-channel latency delay: the buffers, then the write position (0 to 1023).
struct DelayLineState
{
    double buffer[kMaxChannels][kDelayLineLength];
    std::int32_t writePosition;
};

// Silent buffers, write position 0.
void resetDelayLine(DelayLineState& state);

// destination = source delayed by delaySamples. The write comes before the read,
// so 0 passes the block through; delays wrap modulo 1024 and never leave the buffers.
void delayLine(const double* const* source, double* const* destination, std::int32_t numSamples,
               std::int32_t numChannels, DelayLineState& state, std::uint32_t delaySamples);

} // namespace corvex
