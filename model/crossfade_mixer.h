#pragma once

#include <cstdint>

namespace corvex
{

// The smoothed share of the first input in a two-input crossfade.
struct CrossfadeState
{
    std::uint8_t resetFlag;
    double mix;
};

// Flag set (the next block starts at its target), mix 1.0.
void resetCrossfade(CrossfadeState& state);

// destination = mix x first + (1 - mix) x second, with mix gliding towards
// targetMix by the fraction rate of the distance per sample.
void crossfadeMixer(const double* const* first, const double* const* second, double* const* destination,
                    std::int32_t numSamples, std::int32_t numChannels, CrossfadeState& state, double targetMix,
                    double rate);

} // namespace corvex
