#pragma once

#include "libraries/dsp/math/exp.h"
#include "libraries/dsp/math/exp_lanes.h"
#include "model/block_counts.h"
#include "model/channel_pair_lanes.h"
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
    const double q =
        softClipNonNegative(softClipNonNegative(positive, constants.firstCircuitClip1), constants.firstCircuitClip2);
    const double w = q + negative;

    const double v = fixedFilterSample(filters.lowPass, w);
    const double p = fixedFilterSample(filters.highPass, v);

    const double d = (p * constants.firstCircuitOutputScale - kDetectorOffset) * ratioFactor;
    return std::max(-kNegativeHalfScale * d, d);
}

// Charges both envelope branches by the level above the threshold; both relax
// towards the baseline. One step for a channel (double) or for both channels in
// lanes (DoubleLanes): the same operations in the same order either way.
inline double larger(double a, double b) { return std::max(a, b); }
inline DoubleLanes larger(DoubleLanes a, DoubleLanes b) { return dsp::math::maxLanes(a, b); }

// The block's envelope constants: the baseline, and per branch the weight kept
// (1 - release) and the charge per unit of level (attack).
template <class Value>
struct EnvelopeConstants
{
    Value base;
    Value fastKeep;
    Value fastCharge;
    Value slowKeep;
    Value slowCharge;
};

template <class Value>
EnvelopeConstants<Value> envelopeConstants(const ParameterSnapshot& snapshot, Value (*broadcast)(double))
{
    const double* coefficients = snapshot.ballisticsCoefficients;
    return {broadcast(snapshot.ratioAllOffset), broadcast(1.0 - coefficients[1]), broadcast(coefficients[0]),
            broadcast(1.0 - coefficients[3]), broadcast(coefficients[2])};
}

template <class Value>
[[gnu::always_inline]] inline void stepEnvelopes(Value& envFast, Value& envSlow, Value rect, Value threshold,
                                                 const EnvelopeConstants<Value>& k)
{
    const Value e = larger(rect - envFast - envSlow, threshold) - threshold;
    const Value fast = envFast;
    const Value slow = envSlow;
    envFast = (fast - k.base) * k.fastKeep + k.fastCharge * e + k.base;
    envSlow = (slow - k.base) * k.slowKeep + k.slowCharge * e + k.base;
}

// For one channel, a constant is its own "both lanes".
inline double scalar(double value) { return value; }

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

// Two channels in the two lanes of vectors (lane c is channel c): the detector,
// the envelopes, the knee and exp run once for both channels with the
// operations of the one-channel functions above, lane by lane in the same
// order; only the hold window runs channel by channel.
struct PairWork
{
    DoubleLanes lastGain;
    DoubleLanes envFast;
    DoubleLanes envSlow;
    DoubleLanes kneeWidth;
    DoubleLanes kneeOffset;
    DoubleLanes threshold;
    DoubleLanes clampCharge;
    SecondOrderLanes equaliser;
    FirstOrderLanes lowPass;
    SecondOrderLanes highPass;
};

inline PairWork packPair(const ChannelWork (&work)[2])
{
    const DetectorFilters& d0 = work[0].filters;
    const DetectorFilters& d1 = work[1].filters;
    return {lanes(work[0].lastGain, work[1].lastGain),
            lanes(work[0].envFast, work[1].envFast),
            lanes(work[0].envSlow, work[1].envSlow),
            lanes(work[0].kneeWidth, work[1].kneeWidth),
            lanes(work[0].kneeOffset, work[1].kneeOffset),
            lanes(work[0].threshold, work[1].threshold),
            lanes(d0.clampCharge, d1.clampCharge),
            packFilter(d0.equaliser, d1.equaliser),
            packFilter(d0.lowPass, d1.lowPass),
            packFilter(d0.highPass, d1.highPass)};
}

inline void unpackPair(const PairWork& pair, ChannelWork (&work)[2])
{
    for (int c = 0; c < 2; ++c)
    {
        work[c].lastGain = pair.lastGain[c];
        work[c].envFast = pair.envFast[c];
        work[c].envSlow = pair.envSlow[c];
        work[c].kneeWidth = pair.kneeWidth[c];
        work[c].kneeOffset = pair.kneeOffset[c];
        DetectorFilters& filters = work[c].filters;
        filters.clampCharge = pair.clampCharge[c];
        unpackFilter(pair.equaliser, c, filters.equaliser);
        unpackFilter(pair.lowPass, c, filters.lowPass);
        unpackFilter(pair.highPass, c, filters.highPass);
    }
}

// The block's constants of the two-lane loop, each in both lanes, so that the
// loop reads each with one instruction.
struct PairConstants
{
    DoubleLanes inputScale;
    DoubleLanes floor;
    DoubleLanes feedbackGain;
    DoubleLanes feedbackSmoothing;
    ClipLanes clip1;
    ClipLanes clip2;
    DoubleLanes outputScale;
    DoubleLanes ratioFactor;
    EnvelopeConstants<DoubleLanes> envelopes;
    DoubleLanes kneeWidthTarget;
    DoubleLanes kneeOffsetTarget;
};

inline PairConstants pairConstants(const ParameterSnapshot& snapshot)
{
    const OutputStageConstants& k = snapshot.outputStage;
    return {bothLanes(k.firstCircuitInputScale),
            bothLanes(k.firstCircuitFloor),
            bothLanes(k.firstCircuitFeedbackGain),
            bothLanes(k.firstCircuitFeedbackSmoothing),
            clipLanes(k.firstCircuitClip1),
            clipLanes(k.firstCircuitClip2),
            bothLanes(k.firstCircuitOutputScale),
            bothLanes(snapshot.ratioFactor),
            envelopeConstants<DoubleLanes>(snapshot, bothLanes),
            bothLanes(snapshot.ratioAllGain),
            bothLanes(snapshot.kernelOffset)};
}

// rectifiedLevel() for both channels.
[[gnu::always_inline]] inline DoubleLanes rectifiedLevelLanes(PairWork& pair, DoubleLanes x, const PairConstants& k)
{
    const DoubleLanes f = pair.lastGain * x;

    const DoubleLanes u = k.inputScale * f + pair.clampCharge;
    const DoubleLanes c = dsp::math::maxLanes(k.floor, u);
    pair.clampCharge = pair.clampCharge + (k.feedbackGain * (u - c) - pair.clampCharge) * k.feedbackSmoothing;

    const DoubleLanes y = filterLanes(pair.equaliser, c);
    const DoubleLanes q = softClipNonNegativeLanes(softClipNonNegativeLanes(positiveHalfLanes(y), k.clip1), k.clip2);
    const DoubleLanes w = q + negativeHalfLanes(y);

    const DoubleLanes v = filterLanes(pair.lowPass, w);
    const DoubleLanes p = filterLanes(pair.highPass, v);

    const DoubleLanes d = (p * k.outputScale - kDetectorOffset) * k.ratioFactor;
    return dsp::math::maxLanes(-kNegativeHalfScale * d, d);
}

// gainOf() for both channels; the hold windows are the channels' own.
[[gnu::always_inline]] inline DoubleLanes gainLanes(PairWork& pair, ChannelWork (&work)[2], double ratioBlend,
                                                    std::int32_t windowSamples, const PairConstants& k)
{
    pair.kneeWidth += (k.kneeWidthTarget - pair.kneeWidth) * kKneeRate;
    pair.kneeOffset += (k.kneeOffsetTarget - pair.kneeOffset) * kKneeRate;

    const DoubleLanes z = pair.envFast * ratioBlend + pair.envSlow + (1.0 - pair.kneeOffset) * pair.kneeWidth;
    const DoubleLanes s = pair.kneeWidth;
    // The division only where a lane is below the knee's top: it would
    // otherwise lengthen every sample's serial chain.
    const auto aboveKnee = z >= 2.0 * s;
    DoubleLanes h = z - s;
    if (!(aboveKnee[0] && aboveKnee[1]))
    {
        const DoubleLanes m = dsp::math::maxLanes(z, DoubleLanes{});
        h = aboveKnee ? h : m * m * 0.25 / s;
    }

    const DoubleLanes held{work[0].hold.push(h[0], windowSamples), work[1].hold.push(h[1], windowSamples)};
    const DoubleLanes g = dsp::math::expLanes(-held);
    pair.lastGain = g;
    return g;
}

} // namespace kernel_detail

// The gain computer's block loop for one or two channels, each channel with its
// threshold. Every gain goes to sink(channel, sampleIndex, gain) as soon as it
// is known, so that a caller can fold per-sample work into this loop, where it
// runs in the shadow of the loop's serial chain.
// In lanes (stereo only), both channels run in the lanes of vectors; the work of
// packing the state into lanes and back pays off over longer blocks.
template <int kChannels, bool kInLanes = (kChannels == 2), typename GainSink>
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

    static_assert(kChannels == 1 || kChannels == 2);
    static_assert(!kInLanes || kChannels == 2);
    if constexpr (kInLanes)
    {
        PairWork pair = packPair(work);
        const PairConstants k = pairConstants(snapshot);
        for (std::int32_t i = 0; i < n; ++i)
        {
            DoubleLanes rect = rectifiedLevelLanes(pair, DoubleLanes{detector[0][i], detector[1][i]}, k);
            if (linked)
                rect = bothLanes(std::max(rect[0], rect[1]));
            stepEnvelopes(pair.envFast, pair.envSlow, rect, pair.threshold, k.envelopes);
            ratioBlend = ratioBlend + (blendTarget - ratioBlend) * kRatioBlendRate;
            const DoubleLanes gain = gainLanes(pair, work, ratioBlend, windowSamples, k);
            sink(0, i, gain[0]);
            sink(1, i, gain[1]);
        }
        unpackPair(pair, work);
    }
    else
    {
        const EnvelopeConstants<double> envelopes = envelopeConstants<double>(snapshot, scalar);
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
                stepEnvelopes(work[c].envFast, work[c].envSlow, rect[c], work[c].threshold, envelopes);
            ratioBlend = ratioBlend + (blendTarget - ratioBlend) * kRatioBlendRate;
            for (int c = 0; c < kChannels; ++c)
                sink(c, i, gainOf(work[c], ratioBlend, windowSamples, snapshot));
        }
    }

    state.ratioBlend = ratioBlend;
    for (int c = 0; c < kChannels; ++c)
        storeChannel(work[c], state, c);
}

} // namespace corvex
