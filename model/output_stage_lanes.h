#pragma once

#include "model/channel_pair_lanes.h"
#include "model/gain_ramp.h"
#include "model/model_state.h"
#include "model/output_stage_constants.h"

#include <cstdint>

namespace corvex
{

// OutputStage<2> with the two channels in the two lanes of vectors: the same
// circuit bodies, and the output gain ramp channel by channel unless both
// channels' ramps have settled.
class OutputStageLanes
{
public:
    OutputStageLanes(ChannelState* channels, const double* outputGainTargets, std::int32_t numSamples,
                     const OutputStageConstants& constants)
        : firstConstants_(inBothLanes(constants.firstCircuit)),
          secondConstants_(inBothLanes(constants.secondCircuit)),
          first_(packCircuit(channels[0].firstCircuit, channels[1].firstCircuit)),
          second_(packCircuit(channels[0].secondCircuit, channels[1].secondCircuit))
    {
        for (int c = 0; c < 2; ++c)
            ramp_[c] = beginGainRamp(channels[c].outputRamp, outputGainTargets[c], numSamples);
        bothSettled_ = ramp_[0].settled && ramp_[1].settled;
        targets_ = lanes(ramp_[0].target, ramp_[1].target);
    }

    [[gnu::always_inline]] DoubleLanes sample(DoubleLanes x)
    {
        const DoubleLanes shaped = firstOutputCircuitSample(first_, x, firstConstants_);
        DoubleLanes leveled;
        if (bothSettled_)
        {
            // gainRampSample() of a settled ramp, with each lane's target.
            const DoubleLanes zero{};
            leveled = targets_ == zero ? zero : shaped * targets_;
        }
        else
        {
            leveled = lanes(gainRampSample(ramp_[0], shaped[0]), gainRampSample(ramp_[1], shaped[1]));
        }
        return secondOutputCircuitSample(second_, leveled, secondConstants_);
    }

    void store(ChannelState* channels) const
    {
        for (int c = 0; c < 2; ++c)
        {
            unpackCircuit(first_, c, channels[c].firstCircuit);
            unpackCircuit(second_, c, channels[c].secondCircuit);
            endGainRamp(ramp_[c], channels[c].outputRamp);
        }
    }

private:
    FirstCircuitConstants<DoubleLanes> firstConstants_;
    SecondCircuitConstants<DoubleLanes> secondConstants_;
    FirstOutputCircuit<DoubleLanes> first_;
    SecondOutputCircuit<DoubleLanes> second_;
    GainRampWork ramp_[2];
    bool bothSettled_;
    DoubleLanes targets_;
};

} // namespace corvex
