#include "model/output_stage.h"

#include "model/block_counts.h"
#include "model/first_output_circuit.h"
#include "model/gain_ramp.h"
#include "model/model_state.h"
#include "model/second_output_circuit.h"

namespace corvex
{

namespace
{

template <int kChannels>
void runChannels(const double* const* source, double* const* destination, std::int32_t numSamples,
                 ChannelState* channels, const double* outputGainTargets, const OutputStageConstants& constants)
{
    FirstOutputCircuitState first[kChannels];
    SecondOutputCircuitState second[kChannels];
    GainRampWork ramp[kChannels];
    for (int c = 0; c < kChannels; ++c)
    {
        first[c] = channels[c].firstCircuit;
        second[c] = channels[c].secondCircuit;
        ramp[c] = beginGainRamp(channels[c].outputRamp, outputGainTargets[c], numSamples);
    }

    // Fused: first circuit, output gain and second circuit run per sample with
    // the channels side by side. Each circuit is a chain of short recursions
    // (clip feedbacks, filters); one pass per stage would pay each recursion's
    // latency in turn, while one loop lets them, and the channels, overlap.
    for (std::int32_t i = 0; i < numSamples; ++i)
    {
        for (int c = 0; c < kChannels; ++c)
        {
            const double shaped = firstOutputCircuitSample(first[c], source[c][i], constants);
            const double leveled = gainRampSample(ramp[c], shaped);
            destination[c][i] = secondOutputCircuitSample(second[c], leveled, constants);
        }
    }

    for (int c = 0; c < kChannels; ++c)
    {
        channels[c].firstCircuit = first[c];
        channels[c].secondCircuit = second[c];
        endGainRamp(ramp[c], channels[c].outputRamp);
    }
}

} // namespace

void runOutputStage(const double* const* source, double* const* destination, std::int32_t numSamples,
                    std::int32_t numChannels, ChannelState* channels, const double* outputGainTargets,
                    const OutputStageConstants& constants)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    if (boundedChannelCount(numChannels) == 1)
        runChannels<1>(source, destination, n, channels, outputGainTargets, constants);
    else
        runChannels<2>(source, destination, n, channels, outputGainTargets, constants);
}

} // namespace corvex
