#pragma once

#include "model/first_output_circuit.h"
#include "model/gain_ramp.h"
#include "model/model_state.h"
#include "model/output_stage_constants.h"
#include "model/second_output_circuit.h"

#include <cstdint>

namespace corvex
{

// The output stage of a block, per sample: the first output circuit, the
// output gain ramp towards outputGainTargets[c] and the second output circuit.
// The states live in locals for the block; the constructor loads them and
// store() writes them back.
template <int kChannels>
class OutputStage
{
public:
    OutputStage(ChannelState* channels, const double* outputGainTargets, std::int32_t numSamples,
                const OutputStageConstants& constants)
        : firstConstants_(constants.firstCircuit), secondConstants_(constants.secondCircuit)
    {
        for (int c = 0; c < kChannels; ++c)
        {
            first_[c] = channels[c].firstCircuit;
            second_[c] = channels[c].secondCircuit;
            ramp_[c] = beginGainRamp(channels[c].outputRamp, outputGainTargets[c], numSamples);
        }
    }

    // A call: inlined into the gain computer's one-channel loops, the circuits
    // crowd the loop's serial chain, which measured slower.
    [[gnu::noinline]] double sample(int c, double x)
    {
        const double shaped = firstOutputCircuitSample(first_[c], x, firstConstants_);
        const double leveled = gainRampSample(ramp_[c], shaped);
        return secondOutputCircuitSample(second_[c], leveled, secondConstants_);
    }

    void store(ChannelState* channels) const
    {
        for (int c = 0; c < kChannels; ++c)
        {
            channels[c].firstCircuit = first_[c];
            channels[c].secondCircuit = second_[c];
            endGainRamp(ramp_[c], channels[c].outputRamp);
        }
    }

private:
    const FirstCircuitConstants<double>& firstConstants_;
    const SecondCircuitConstants<double>& secondConstants_;
    FirstOutputCircuitState first_[kChannels];
    SecondOutputCircuitState second_[kChannels];
    GainRampWork ramp_[kChannels];
};

} // namespace corvex
