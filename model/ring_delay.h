#pragma once

#include <cstdint>

namespace corvex
{

// Positions in a ring of kLength samples (a power of two), taken in 32-bit
// arithmetic and masked, so that any distance wraps and never leaves the ring.
template <std::uint32_t kLength>
struct RingPosition
{
    static_assert((kLength & (kLength - 1)) == 0, "ring length must be a power of two");
    static constexpr std::uint32_t kMask = kLength - 1;

    static std::uint32_t wrap(std::uint32_t position) { return position & kMask; }
    static std::uint32_t behind(std::uint32_t position, std::uint32_t distance) { return (position - distance) & kMask; }
    static std::uint32_t ahead(std::uint32_t position, std::uint32_t distance) { return (position + distance) & kMask; }
};

// Delays up to two channels through ring buffers of kLength samples each: per
// sample and channel, write at the write position, then read delaySamples
// behind it; a delay of 0 passes the sample through. Returns the write
// position after the block.
template <std::uint32_t kLength>
std::uint32_t runRingDelay(const double* const* source, double* const* destination, std::int32_t numSamples,
                           std::int32_t numChannels, double (*buffers)[kLength], std::uint32_t writePosition,
                           std::uint32_t delaySamples)
{
    using Ring = RingPosition<kLength>;
    std::uint32_t w = Ring::wrap(writePosition);
    for (std::int32_t i = 0; i < numSamples; ++i)
    {
        const std::uint32_t r = Ring::behind(w, delaySamples);
        for (std::int32_t c = 0; c < numChannels; ++c)
        {
            buffers[c][w] = source[c][i];
            destination[c][i] = buffers[c][r];
        }
        w = Ring::ahead(w, 1);
    }
    return w;
}

} // namespace corvex
