#pragma once

#include <cstdint>

namespace corvex
{

// A per-channel gain that moves towards its target at a fixed rate in decibels
// (one doubling, +6.02 dB, per 4800 samples) and lands on it exactly.
struct GainRampState
{
    std::uint8_t resetFlag;
    double currentGain;
    double upFactor;   // per-sample factor while rising
    double downFactor; // 1 / upFactor
    double snapRate;   // 2 ln(upFactor): the log-distance two blocks' worth of ramping covers per sample
};

// Flag set, gain 1.0, up factor 2^(1/4800), its reciprocal and the snap rate.
void resetGainRamp(GainRampState& state);

// destination = source x ramped gain, one channel. A block that begins within
// the snap tolerance of the target (or follows a reset) applies the target exactly.
void gainRamp(const double* source, double* destination, std::int32_t numSamples, GainRampState& state,
              double targetGain);

} // namespace corvex
