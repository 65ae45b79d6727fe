#include "tests/lv2/audio.h"

#include <cmath>
#include <numbers>

namespace corvex::testing
{

Audio programmeSignal(int numChannels, std::size_t numFrames, double sampleRate, std::uint32_t seed)
{
    Audio audio(static_cast<std::size_t>(numChannels), std::vector<float>(numFrames));
    std::uint32_t noise = seed * 2654435761u + 1u;
    for (int channel = 0; channel < numChannels; ++channel)
    {
        const double frequencyHz = 220.0 * (channel + 1) + seed;
        for (std::size_t frame = 0; frame < numFrames; ++frame)
        {
            const double time = static_cast<double>(frame) / sampleRate;
            const double swell = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * 0.7 * time);
            noise = noise * 1664525u + 1013904223u;
            const double white = static_cast<double>(noise >> 8) / static_cast<double>(1u << 24) - 0.5;
            const double tone = std::sin(2.0 * std::numbers::pi * frequencyHz * time);
            audio[channel][frame] = static_cast<float>((0.02 + 0.9 * swell) * tone + 0.02 * white);
        }
    }
    return audio;
}

Audio sideChainBursts(int numChannels, std::size_t numFrames, double sampleRate)
{
    Audio audio(static_cast<std::size_t>(numChannels), std::vector<float>(numFrames));
    for (int channel = 0; channel < numChannels; ++channel)
    {
        for (std::size_t frame = 0; frame < numFrames; ++frame)
        {
            const double time = static_cast<double>(frame) / sampleRate;
            const bool burst = std::fmod(time, 0.25) < 0.125;
            audio[channel][frame] = burst ? static_cast<float>(0.95 * std::sin(2.0 * std::numbers::pi * 90.0 * time)) : 0.0f;
        }
    }
    return audio;
}

} // namespace corvex::testing
