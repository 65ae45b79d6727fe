#pragma once

#include "libraries/dsp/filter_design/coefficients.h"
#include "model/audio_block.h"

#include <cstdint>

namespace corvex
{

// A first-order filter whose coefficients glide towards their targets; both
// channels share the current coefficients and keep their own state.
struct SmoothedFirstOrderState
{
    std::uint8_t resetFlag;
    double channel[kMaxChannels]; // the filter state s of each channel
    dsp::FirstOrderCoefficients current;
};

// One channel's states of a biquad.
struct BiquadChannelState
{
    double s1;
    double s2;
};

// A biquad whose coefficients glide towards their targets.
struct SmoothedSecondOrderState
{
    std::uint8_t resetFlag;
    BiquadChannelState channel[kMaxChannels];
    dsp::SecondOrderCoefficients current;
};

// Flag set (the next block starts at the targets), states 0.0, pass-through coefficients.
void resetSmoothedFirstOrder(SmoothedFirstOrderState& state);
void resetSmoothedSecondOrder(SmoothedSecondOrderState& state);

// destination = source through a first-order filter, a biquad and another
// first-order filter in series, one or two channels. Per sample, every used
// coefficient of each filter first moves by the fraction rate of its distance
// to its target (once, for both channels); then the sample passes the three
// filters. a0 is neither glided nor read.
void smoothedFilterChain(const double* const* source, double* const* destination, std::int32_t numSamples,
                         std::int32_t numChannels, SmoothedFirstOrderState& first,
                         const dsp::FirstOrderCoefficients& firstTarget, SmoothedSecondOrderState& second,
                         const dsp::SecondOrderCoefficients& secondTarget, SmoothedFirstOrderState& third,
                         const dsp::FirstOrderCoefficients& thirdTarget, double rate);

} // namespace corvex
