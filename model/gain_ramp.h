#pragma once

#include "model/scaled_sample.h"

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

// A block's working copy of a ramp: either the target applied exactly, or the
// gain moving by a constant factor per sample.
struct GainRampWork
{
    bool settled;
    double target;
    double current;
    double factor;
};

// Decides the block's course: a block that begins within the snap tolerance of
// the target (or follows a reset) applies the target exactly.
GainRampWork beginGainRamp(GainRampState& state, double targetGain, std::int32_t numSamples);

// One sample times the ramped gain.
inline double gainRampSample(GainRampWork& work, double x)
{
    if (work.settled)
        return scaledSample(x, work.target);
    work.current = work.current * work.factor;
    return work.current * x;
}

// Keeps the gain the block reached.
void endGainRamp(const GainRampWork& work, GainRampState& state);

// destination = source x ramped gain, one channel. A block that begins within
// the snap tolerance of the target (or follows a reset) applies the target exactly.
void gainRamp(const double* source, double* destination, std::int32_t numSamples, GainRampState& state,
              double targetGain);

} // namespace corvex
