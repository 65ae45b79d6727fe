#pragma once

#include "model/channel_pair_lanes.h"
#include "model/gain_ramp.h"
#include "model/model_state.h"
#include "model/output_stage_constants.h"

#include <cstdint>

namespace corvex
{

// OutputStage<2> with the two channels in the two lanes of vectors: the first
// output circuit, the output gain ramp and the second output circuit, each
// with the operations of its one-channel sample function in the same order.
class OutputStageLanes
{
public:
    OutputStageLanes(ChannelState* channels, const double* outputGainTargets, std::int32_t numSamples,
                     const OutputStageConstants& constants)
        : constants_(constants)
    {
        const FirstOutputCircuitState& first0 = channels[0].firstCircuit;
        const FirstOutputCircuitState& first1 = channels[1].firstCircuit;
        bell_ = packFilter(first0.bell, first1.bell);
        firstLowPass_ = packFilter(first0.lowPass, first1.lowPass);
        firstHighPass_ = packFilter(first0.highPass, first1.highPass);
        feedback_ = lanes(first0.feedback, first1.feedback);
        const SecondOutputCircuitState& second0 = channels[0].secondCircuit;
        const SecondOutputCircuitState& second1 = channels[1].secondCircuit;
        secondHighPass_ = packFilter(second0.highPass, second1.highPass);
        upperFeedback_ = lanes(second0.upperFeedback, second1.upperFeedback);
        lowerFeedback_ = lanes(second0.lowerFeedback, second1.lowerFeedback);
        for (int c = 0; c < 2; ++c)
            ramp_[c] = beginGainRamp(channels[c].outputRamp, outputGainTargets[c], numSamples);
        bothSettled_ = ramp_[0].settled && ramp_[1].settled;
        targets_ = lanes(ramp_[0].target, ramp_[1].target);
    }

    [[gnu::always_inline]] DoubleLanes sample(DoubleLanes x)
    {
        const OutputStageConstants& k = constants_;

        // First output circuit.
        const DoubleLanes u = feedback_ + scaledLanes(x, k.firstCircuitInputScale);
        const DoubleLanes c = dsp::math::maxLanes(bothLanes(k.firstCircuitFloor), u);
        feedback_ = feedback_ + ((c - u) * -k.firstCircuitFeedbackGain - feedback_) * k.firstCircuitFeedbackSmoothing;
        const DoubleLanes zero{};
        const DoubleLanes shaped = filterLanes(bell_, c);
        const DoubleLanes saturated =
            softClipNonNegativeLanes(softClipNonNegativeLanes(positiveHalfLanes(shaped), k.firstCircuitClip1),
                                     k.firstCircuitClip2) +
            negativeHalfLanes(shaped);
        const DoubleLanes lowPassed = filterLanes(firstLowPass_, saturated);
        const DoubleLanes highPassed = filterLanes(firstHighPass_, lowPassed);
        const DoubleLanes firstOut = scaledLanes(highPassed, k.firstCircuitOutputScale);

        // Output gain.
        DoubleLanes leveled;
        if (bothSettled_)
        {
            // scaledSample() with each lane's target.
            leveled = targets_ == zero ? zero : firstOut * targets_;
        }
        else
        {
            leveled = lanes(gainRampSample(ramp_[0], firstOut[0]), gainRampSample(ramp_[1], firstOut[1]));
        }

        // Second output circuit.
        const DoubleLanes v0 = upperFeedback_ + scaledLanes(leveled, k.secondCircuitInputScale);
        const DoubleLanes ceilinged = dsp::math::minLanes(bothLanes(k.secondCircuitCeiling), v0);
        upperFeedback_ = upperFeedback_ +
                         ((ceilinged - v0) * k.secondCircuitUpperFeedbackGain - upperFeedback_) *
                             k.secondCircuitUpperSmoothing;
        const DoubleLanes v = lowerFeedback_ + ceilinged;
        const DoubleLanes floored = dsp::math::maxLanes(bothLanes(k.secondCircuitFloor), v);
        const DoubleLanes excess = floored - v;
        lowerFeedback_ = lowerFeedback_ +
                         (excess * k.secondCircuitLowerFeedbackGain - lowerFeedback_) * k.secondCircuitLowerSmoothing;
        const DoubleLanes restored =
            floored + softClipLanes(scaledLanes(excess, k.secondCircuitExcessScale), k.secondCircuitClip);
        return scaledLanes(filterLanes(secondHighPass_, restored), k.secondCircuitOutputScale);
    }

    void store(ChannelState* channels) const
    {
        for (int c = 0; c < 2; ++c)
        {
            FirstOutputCircuitState& first = channels[c].firstCircuit;
            unpackFilter(bell_, c, first.bell);
            unpackFilter(firstLowPass_, c, first.lowPass);
            unpackFilter(firstHighPass_, c, first.highPass);
            first.feedback = feedback_[c];
            SecondOutputCircuitState& second = channels[c].secondCircuit;
            unpackFilter(secondHighPass_, c, second.highPass);
            second.upperFeedback = upperFeedback_[c];
            second.lowerFeedback = lowerFeedback_[c];
            endGainRamp(ramp_[c], channels[c].outputRamp);
        }
    }

private:
    const OutputStageConstants& constants_;
    SecondOrderLanes bell_;
    FirstOrderLanes firstLowPass_;
    SecondOrderLanes firstHighPass_;
    DoubleLanes feedback_;
    FirstOrderLanes secondHighPass_;
    DoubleLanes upperFeedback_;
    DoubleLanes lowerFeedback_;
    GainRampWork ramp_[2];
    bool bothSettled_;
    DoubleLanes targets_;
};

} // namespace corvex
