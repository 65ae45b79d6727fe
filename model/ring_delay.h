#pragma once

#include <cstdint>

namespace corvex
{

// Delays up to two channels through ring buffers of kLength samples each (a
// power of two): per sample and channel, write at the write position, then read
// delaySamples behind it, (w - d) taken in 32-bit arithmetic and masked, so any
// delay wraps and never leaves the buffers; a delay of 0 passes the sample
// through. Returns the write position after the block.
template <std::uint32_t kLength>
std::uint32_t runRingDelay(const double* const* source, double* const* destination, std::int32_t numSamples,
                           std::int32_t numChannels, double (*buffers)[kLength], std::uint32_t writePosition,
                           std::uint32_t delaySamples)
{
    static_assert((kLength & (kLength - 1)) == 0, "ring length must be a power of two");
    constexpr std::uint32_t kMask = kLength - 1;
    std::uint32_t w = writePosition & kMask;
    for (std::int32_t i = 0; i < numSamples; ++i)
    {
        const std::uint32_t r = (w - delaySamples) & kMask;
        for (std::int32_t c = 0; c < numChannels; ++c)
        {
            buffers[c][w] = source[c][i];
            destination[c][i] = buffers[c][r];
        }
        w = (w + 1) & kMask;
    }
    return w;
}

} // namespace corvex
