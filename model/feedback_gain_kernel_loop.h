#pragma once

#include "libraries/dsp/math/exp.h"
#include "libraries/dsp/math/exp_lanes.h"
#include "model/block_counts.h"
#include "model/channel_pair_lanes.h"
#include "model/feedback_gain_kernel.h"
#include "model/first_output_circuit.h"
#include "model/glide.h"

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

// The values the gain computer carries from sample to sample, for one channel
// (double) or for both channels in lanes (DoubleLanes).
template <class Value>
struct ComputerValues
{
    Value lastGain;
    Value envFast;
    Value envSlow;
    Value kneeWidth;
    Value kneeOffset;
    Value threshold;
    FirstOutputCircuit<Value> detector;
};

// One channel's state as the block works on it; the hold window runs channel
// by channel in either form.
struct ChannelWork
{
    ComputerValues<double> values;
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
    work.values = {state.lastGain[c], state.envFast[c], state.envSlow[c], knee.kneeWidth, knee.kneeOffset,
                   threshold,         state.detector[c]};
    work.hold.load(state.hold[c]);
}

inline void storeChannel(const ChannelWork& work, KernelState& state, int c)
{
    const ComputerValues<double>& v = work.values;
    state.lastGain[c] = v.lastGain;
    state.envFast[c] = v.envFast;
    state.envSlow[c] = v.envSlow;
    state.knee[c].kneeWidth = v.kneeWidth;
    state.knee[c].kneeOffset = v.kneeOffset;
    state.detector[c] = v.detector;
    work.hold.store(state.hold[c]);
}

inline ComputerValues<DoubleLanes> packPair(const ChannelWork (&work)[2])
{
    const ComputerValues<double>& v0 = work[0].values;
    const ComputerValues<double>& v1 = work[1].values;
    return {lanes(v0.lastGain, v1.lastGain),     lanes(v0.envFast, v1.envFast),
            lanes(v0.envSlow, v1.envSlow),       lanes(v0.kneeWidth, v1.kneeWidth),
            lanes(v0.kneeOffset, v1.kneeOffset), lanes(v0.threshold, v1.threshold),
            packCircuit(v0.detector, v1.detector)};
}

inline void unpackPair(const ComputerValues<DoubleLanes>& pair, ChannelWork (&work)[2])
{
    for (int c = 0; c < 2; ++c)
    {
        ComputerValues<double>& v = work[c].values;
        v.lastGain = pair.lastGain[c];
        v.envFast = pair.envFast[c];
        v.envSlow = pair.envSlow[c];
        v.kneeWidth = pair.kneeWidth[c];
        v.kneeOffset = pair.kneeOffset[c];
        unpackCircuit(pair.detector, c, v.detector);
    }
}

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

// The block's constants as a loop over Value reads them.
template <class Value>
struct ComputerConstants
{
    Value ratioFactor;
    EnvelopeConstants<Value> envelopes;
    Value kneeWidthTarget;
    Value kneeOffsetTarget;
};

template <class Value>
[[gnu::always_inline]] inline ComputerConstants<Value> computerConstants(const ParameterSnapshot& snapshot)
{
    const double* coefficients = snapshot.ballisticsCoefficients;
    const EnvelopeConstants<Value> envelopes{spread<Value>(snapshot.ratioAllOffset),
                                             spread<Value>(1.0 - coefficients[1]),
                                             spread<Value>(coefficients[0]),
                                             spread<Value>(1.0 - coefficients[3]),
                                             spread<Value>(coefficients[2])};
    return {spread<Value>(snapshot.ratioFactor), envelopes,
            spread<Value>(snapshot.ratioAllGain), spread<Value>(snapshot.kernelOffset)};
}

// The detector from one input sample to the rectified level: the previous gain
// applied, the first output circuit, the offset and the ratio factor, and the
// asymmetric rectifier.
template <class Value>
[[gnu::always_inline]] inline Value rectifiedLevel(ComputerValues<Value>& v, Value x,
                                                   const FirstCircuitConstants<Value>& circuit,
                                                   const ComputerConstants<Value>& k)
{
    const Value d = (firstOutputCircuitSample(v.detector, v.lastGain * x, circuit) - kDetectorOffset) * k.ratioFactor;
    return larger(-kNegativeHalfScale * d, d);
}

// Charges both envelope branches by the level above the threshold; both relax
// towards the baseline.
template <class Value>
[[gnu::always_inline]] inline void stepEnvelopes(ComputerValues<Value>& v, Value rect, const EnvelopeConstants<Value>& k)
{
    const Value e = larger(rect - v.envFast - v.envSlow, v.threshold) - v.threshold;
    const Value fast = v.envFast;
    const Value slow = v.envSlow;
    v.envFast = (fast - k.base) * k.fastKeep + k.fastCharge * e + k.base;
    v.envSlow = (slow - k.base) * k.slowKeep + k.slowCharge * e + k.base;
}

// The knee's width and offset glide towards their targets; the reduction
// amount through the soft knee. The division only where a lane is below the
// knee's top: it would otherwise lengthen every sample's serial chain.
template <class Value>
[[gnu::always_inline]] inline Value kneeReduction(ComputerValues<Value>& v, double ratioBlend,
                                                  const ComputerConstants<Value>& k)
{
    v.kneeWidth = glideStep(v.kneeWidth, k.kneeWidthTarget, kKneeRate);
    v.kneeOffset = glideStep(v.kneeOffset, k.kneeOffsetTarget, kKneeRate);

    const Value z = v.envFast * ratioBlend + v.envSlow + (1.0 - v.kneeOffset) * v.kneeWidth;
    const Value s = v.kneeWidth;
    const auto aboveKnee = z >= 2.0 * s;
    if (allLanes(aboveKnee))
        return z - s;
    const Value m = larger(z, Value{});
    return choose(aboveKnee, z - s, m * m * 0.25 / s);
}

// The reduction amount held over the window, as a gain: one channel, and both
// channels in lanes with the hold windows run channel by channel.
[[gnu::always_inline]] inline double gainOf(ComputerValues<double>& v, SlidingWindowMaximum& hold, double h,
                                            std::int32_t windowSamples)
{
    const double g = dsp::math::exp(-hold.push(h, windowSamples));
    v.lastGain = g;
    return g;
}

[[gnu::always_inline]] inline DoubleLanes gainOf(ComputerValues<DoubleLanes>& v, ChannelWork (&work)[2],
                                                 DoubleLanes h, std::int32_t windowSamples)
{
    const DoubleLanes held{work[0].hold.push(h[0], windowSamples), work[1].hold.push(h[1], windowSamples)};
    const DoubleLanes g = dsp::math::expLanes(-held);
    v.lastGain = g;
    return g;
}

} // namespace kernel_detail

// The gain computer's block loop for one or two channels, each channel with its
// threshold. Every gain goes to sink(channel, sampleIndex, gain) as soon as it
// is known, so that a caller can fold per-sample work into this loop, where it
// runs in the shadow of the loop's serial chain. The order of the calls is part
// of the contract, in lanes or not: sample by sample, and within a sample
// channel 0 before channel 1, so that a sink may run the work of both channels
// when it gets channel 1's gain.
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
        ComputerValues<DoubleLanes> pair = packPair(work);
        const FirstCircuitConstants<DoubleLanes> circuit = inBothLanes(snapshot.outputStage.firstCircuit);
        const ComputerConstants<DoubleLanes> k = computerConstants<DoubleLanes>(snapshot);
        for (std::int32_t i = 0; i < n; ++i)
        {
            DoubleLanes rect = rectifiedLevel(pair, DoubleLanes{detector[0][i], detector[1][i]}, circuit, k);
            if (linked)
                rect = bothLanes(std::max(rect[0], rect[1]));
            stepEnvelopes(pair, rect, k.envelopes);
            ratioBlend = glideStep(ratioBlend, blendTarget, kRatioBlendRate);
            const DoubleLanes gain = gainOf(pair, work, kneeReduction(pair, ratioBlend, k), windowSamples);
            sink(0, i, gain[0]);
            sink(1, i, gain[1]);
        }
        unpackPair(pair, work);
    }
    else
    {
        const FirstCircuitConstants<double>& circuit = snapshot.outputStage.firstCircuit;
        const ComputerConstants<double> k = computerConstants<double>(snapshot);
        for (std::int32_t i = 0; i < n; ++i)
        {
            double rect[kChannels];
            for (int c = 0; c < kChannels; ++c)
                rect[c] = rectifiedLevel(work[c].values, detector[c][i], circuit, k);
            if (linked)
            {
                const double louder = std::max(rect[0], rect[kChannels - 1]);
                for (int c = 0; c < kChannels; ++c)
                    rect[c] = louder;
            }
            for (int c = 0; c < kChannels; ++c)
                stepEnvelopes(work[c].values, rect[c], k.envelopes);
            ratioBlend = glideStep(ratioBlend, blendTarget, kRatioBlendRate);
            for (int c = 0; c < kChannels; ++c)
            {
                ComputerValues<double>& v = work[c].values;
                sink(c, i, gainOf(v, work[c].hold, kneeReduction(v, ratioBlend, k), windowSamples));
            }
        }
    }

    state.ratioBlend = ratioBlend;
    for (int c = 0; c < kChannels; ++c)
        storeChannel(work[c], state, c);
}

} // namespace corvex
