#pragma once

#include "libraries/dsp/math/exp.h"
#include "model/block_counts.h"
#include "model/feedback_gain_kernel.h"
#include "model/soft_clip.h"

#include <algorithm>
#include <cmath>

namespace corvex
{

namespace kernel_detail
{


inline constexpr double kDetectorOffset = 0.0007;     // subtracted after the output scale
inline constexpr double kNegativeHalfScale = 0.98;    // the rectifier's weight of the negative half
inline constexpr double kRatioBlendRate = 0.001;      // per-sample glide of the fast-branch weight
inline constexpr double kKneeRate = 0.0025;           // per-sample glide of the knee width and offset

// One channel's state as the block works on it.
struct ChannelWork
{
    double lastGain;
    double envFast;
    double envSlow;
    double kneeWidth;
    double kneeOffset;
    double threshold;
    DetectorFilters filters;
    SlidingWindowMaximum hold;
};

inline void loadChannel(ChannelWork& work, KernelState& state, int c, double threshold,
                 const ParameterSnapshot& snapshot)
{
    KneeSmoother& knee = state.knee[c];
    if (knee.resetFlag != 0)
    {
        knee.kneeWidth = snapshot.ratioAllGain;
        knee.kneeOffset = snapshot.kernelOffset;
        knee.resetFlag = 0;
    }
    work.lastGain = state.lastGain[c];
    work.envFast = state.envFast[c];
    work.envSlow = state.envSlow[c];
    work.kneeWidth = knee.kneeWidth;
    work.kneeOffset = knee.kneeOffset;
    work.threshold = threshold;
    work.filters = state.detector[c];
    work.hold.load(state.hold[c]);
}

inline void storeChannel(const ChannelWork& work, KernelState& state, int c)
{
    state.lastGain[c] = work.lastGain;
    state.envFast[c] = work.envFast;
    state.envSlow[c] = work.envSlow;
    state.knee[c].kneeWidth = work.kneeWidth;
    state.knee[c].kneeOffset = work.kneeOffset;
    state.detector[c] = work.filters;
    work.hold.store(state.hold[c]);
}

// The detector circuit from one input sample to the rectified level: feedback of
// the previous gain, the input clamp with its charging coupling, the equaliser,
// saturation of the positive half, low-pass, high-pass, scale and offset, and
// the asymmetric rectifier.
[[gnu::always_inline]] inline double rectifiedLevel(ChannelWork& work, double x, const OutputStageConstants& constants,
                                                    double ratioFactor)
{
    DetectorFilters& filters = work.filters;
    const double f = work.lastGain * x;

    const double u = constants.firstCircuitInputScale * f + filters.clampCharge;
    const double c = std::max(constants.firstCircuitFloor, u);
    filters.clampCharge = filters.clampCharge +
                          (constants.firstCircuitFeedbackGain * (u - c) - filters.clampCharge) *
                              constants.firstCircuitFeedbackSmoothing;

    const double y = fixedFilterSample(filters.equaliser, c);
    const double positive = y > 0.0 ? y : 0.0;
    const double negative = 0.0 < y ? 0.0 : y;
    const double q = softClip(softClip(positive, constants.firstCircuitClip1), constants.firstCircuitClip2);
    const double w = q + negative;

    const double v = fixedFilterSample(filters.lowPass, w);
    const double p = fixedFilterSample(filters.highPass, v);

    const double d = (p * constants.firstCircuitOutputScale - kDetectorOffset) * ratioFactor;
    return std::max(-kNegativeHalfScale * d, d);
}

// Charges both envelope branches by the level above the threshold; both relax
// towards the baseline.
[[gnu::always_inline]] inline void chargeEnvelopes(ChannelWork& work, double rect,
                                                   const ParameterSnapshot& snapshot)
{
    const double threshold = work.threshold;
    const double e = std::max(rect - work.envFast - work.envSlow, threshold) - threshold;
    const double base = snapshot.ratioAllOffset;
    const double* coefficients = snapshot.ballisticsCoefficients;
    const double envFast = work.envFast;
    const double envSlow = work.envSlow;
    work.envFast = (envFast - base) * (1.0 - coefficients[1]) + coefficients[0] * e + base;
    work.envSlow = (envSlow - base) * (1.0 - coefficients[3]) + coefficients[2] * e + base;
}

// The reduction amount through the soft knee, held over the window, as a gain.
[[gnu::always_inline]] inline double gainOf(ChannelWork& work, double ratioBlend, std::int32_t windowSamples,
                                            const ParameterSnapshot& snapshot)
{
    work.kneeWidth += (snapshot.ratioAllGain - work.kneeWidth) * kKneeRate;
    work.kneeOffset += (snapshot.kernelOffset - work.kneeOffset) * kKneeRate;

    const double z = work.envFast * ratioBlend + work.envSlow + (1.0 - work.kneeOffset) * work.kneeWidth;
    const double s = work.kneeWidth;
    double h;
    if (z >= 2.0 * s)
    {
        h = z - s;
    }
    else
    {
        const double m = std::max(z, 0.0);
        h = m * m * 0.25 / s;
    }

    const double g = dsp::math::exp(-work.hold.push(h, windowSamples));
    work.lastGain = g;
    return g;
}

} // namespace kernel_detail

// The gain computer's block loop for one or two channels, each channel with its
// threshold. Every gain goes to sink(channel, sampleIndex, gain) as soon as it
// is known, so that a caller can fold per-sample work into this loop, where it
// runs in the shadow of the loop's serial chain.
template <int kChannels, typename GainSink>
void runFeedbackGainKernel(const double* const* detector, std::int32_t numSamples, KernelState& state,
                           const ParameterSnapshot& snapshot, const double* thresholds, GainSink&& sink)
{
    using namespace kernel_detail;
    const std::int32_t n = boundedSampleCount(numSamples);
    const std::int32_t windowSamples = std::clamp(snapshot.warpLeadSamples, 1, kMaxHoldWindowSamples);
    const bool linked = kChannels == 2 && snapshot.detectionLinked != 0;
    const OutputStageConstants& constants = snapshot.outputStage;
    const double ratioFactor = snapshot.ratioFactor;
    const double blendTarget = snapshot.ballisticsBlend;

    if (state.resetFlag != 0)
    {
        state.ratioBlend = blendTarget;
        state.resetFlag = 0;
    }
    double ratioBlend = state.ratioBlend;
    ChannelWork work[kChannels];
    for (int c = 0; c < kChannels; ++c)
        loadChannel(work[c], state, c, thresholds[c], snapshot);

    for (std::int32_t i = 0; i < n; ++i)
    {
        double rect[kChannels];
        for (int c = 0; c < kChannels; ++c)
            rect[c] = rectifiedLevel(work[c], detector[c][i], constants, ratioFactor);
        if (linked)
        {
            const double louder = std::max(rect[0], rect[kChannels - 1]);
            for (int c = 0; c < kChannels; ++c)
                rect[c] = louder;
        }
        for (int c = 0; c < kChannels; ++c)
            chargeEnvelopes(work[c], rect[c], snapshot);
        ratioBlend = ratioBlend + (blendTarget - ratioBlend) * kRatioBlendRate;
        for (int c = 0; c < kChannels; ++c)
            sink(c, i, gainOf(work[c], ratioBlend, windowSamples, snapshot));
    }

    state.ratioBlend = ratioBlend;
    for (int c = 0; c < kChannels; ++c)
        storeChannel(work[c], state, c);
}

} // namespace corvex
