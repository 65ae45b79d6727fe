#pragma once

#include <cstdint>

namespace corvex
{

inline constexpr int kBlockCapacity = 32; // samples per channel
inline constexpr int kMaxChannels = 2;

// Up to two channels of exactly 32 doubles. Stages receive a block as its
// array of channel pointers plus separate sample and channel counts.
struct AudioBlock
{
    std::int32_t numChannels;
    std::int32_t numSamples;
    double* channels[kMaxChannels];
    alignas(16) double storage[kMaxChannels][kBlockCapacity];

    AudioBlock(std::int32_t channelCount, std::int32_t sampleCount)
        : numChannels(channelCount), numSamples(sampleCount), channels{storage[0], storage[1]}
    {
    }
    AudioBlock(const AudioBlock&) = delete;
    AudioBlock& operator=(const AudioBlock&) = delete;

    double* const* data() { return channels; }
    const double* const* read() const { return channels; }
};

} // namespace corvex
