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
        : inputScale_(constants.firstCircuitInputScale),
          firstFloor_(bothLanes(constants.firstCircuitFloor)),
          firstFeedbackGain_(bothLanes(-constants.firstCircuitFeedbackGain)),
          firstSmoothing_(bothLanes(constants.firstCircuitFeedbackSmoothing)),
          clip1_(clipLanes(constants.firstCircuitClip1)),
          clip2_(clipLanes(constants.firstCircuitClip2)),
          firstOutputScale_(constants.firstCircuitOutputScale),
          secondInputScale_(constants.secondCircuitInputScale),
          ceiling_(bothLanes(constants.secondCircuitCeiling)),
          upperGain_(bothLanes(constants.secondCircuitUpperFeedbackGain)),
          upperSmoothing_(bothLanes(constants.secondCircuitUpperSmoothing)),
          secondFloor_(bothLanes(constants.secondCircuitFloor)),
          lowerGain_(bothLanes(constants.secondCircuitLowerFeedbackGain)),
          lowerSmoothing_(bothLanes(constants.secondCircuitLowerSmoothing)),
          excessScale_(constants.secondCircuitExcessScale),
          secondClip_(clipLanes(constants.secondCircuitClip)),
          secondOutputScale_(constants.secondCircuitOutputScale)
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
        // First output circuit.
        const DoubleLanes u = feedback_ + inputScale_(x);
        const DoubleLanes c = dsp::math::maxLanes(firstFloor_, u);
        feedback_ = feedback_ + ((c - u) * firstFeedbackGain_ - feedback_) * firstSmoothing_;
        const DoubleLanes zero{};
        const DoubleLanes shaped = filterLanes(bell_, c);
        const DoubleLanes saturated =
            softClipNonNegativeLanes(softClipNonNegativeLanes(positiveHalfLanes(shaped), clip1_), clip2_) +
            negativeHalfLanes(shaped);
        const DoubleLanes lowPassed = filterLanes(firstLowPass_, saturated);
        const DoubleLanes highPassed = filterLanes(firstHighPass_, lowPassed);
        const DoubleLanes firstOut = firstOutputScale_(highPassed);

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
        const DoubleLanes v0 = upperFeedback_ + secondInputScale_(leveled);
        const DoubleLanes ceilinged = dsp::math::minLanes(ceiling_, v0);
        upperFeedback_ = upperFeedback_ + ((ceilinged - v0) * upperGain_ - upperFeedback_) * upperSmoothing_;
        const DoubleLanes v = lowerFeedback_ + ceilinged;
        const DoubleLanes floored = dsp::math::maxLanes(secondFloor_, v);
        const DoubleLanes excess = floored - v;
        lowerFeedback_ = lowerFeedback_ + (excess * lowerGain_ - lowerFeedback_) * lowerSmoothing_;
        const DoubleLanes restored = floored + softClipNonNegativeLanes(excessScale_(excess), secondClip_);
        return secondOutputScale_(filterLanes(secondHighPass_, restored));
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
    // The constants in both lanes; scalings keep scaledSample()'s rule for a
    // factor of 0.0.
    ScaleLanes inputScale_;
    DoubleLanes firstFloor_;
    DoubleLanes firstFeedbackGain_; // negated
    DoubleLanes firstSmoothing_;
    ClipLanes clip1_;
    ClipLanes clip2_;
    ScaleLanes firstOutputScale_;
    ScaleLanes secondInputScale_;
    DoubleLanes ceiling_;
    DoubleLanes upperGain_;
    DoubleLanes upperSmoothing_;
    DoubleLanes secondFloor_;
    DoubleLanes lowerGain_;
    DoubleLanes lowerSmoothing_;
    ScaleLanes excessScale_;
    ClipLanes secondClip_;
    ScaleLanes secondOutputScale_;
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
