#include "model/compressor_model.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/audio_block.h"
#include "model/block_peak.h"
#include "model/crossfade_mixer.h"
#include "model/delay_line.h"
#include "model/feedback_gain_kernel.h"
#include "model/gain_matrix_stage.h"
#include "model/gain_ramp.h"
#include "model/model_state.h"
#include "model/output_stage.h"
#include "model/side_chain_path.h"

namespace corvex
{

namespace
{

// Index into the three-entry gain targets: the mono value, or the stereo channel's.
std::int32_t targetIndex(std::int32_t numChannels, std::int32_t channel)
{
    return numChannels == 1 ? 0 : 1 + channel;
}

} // namespace

void runCompressorModel(const double* const* input, const double* const* sideChain, double* const* output,
                        double* const* dry, std::int32_t numSamples, std::int32_t numChannels,
                        const ParameterSnapshot& snapshot, ModelState& state)
{
    const std::int32_t n = numSamples;
    AudioBlock main(numChannels, n);
    AudioBlock side(numChannels, n);
    AudioBlock driven(numChannels, n);
    AudioBlock listen(numChannels, n);
    AudioBlock detector(numChannels, n);
    AudioBlock delayed(numChannels, n);
    AudioBlock stage(numChannels, n);

    // Input trim and mid/side encoding, of the main and of the external side chain.
    gainMatrixStage(input, main.data(), n, numChannels, state.inputMatrixState, snapshot.inputMatrix);
    gainMatrixStage(sideChain, side.data(), n, numChannels, state.sideChainMatrixState, snapshot.sideChainMatrix);

    // Input meter, then the input gain that drives the compressor.
    for (std::int32_t c = 0; c < numChannels; ++c)
    {
        state.inputMeter[c].store(blockPeak(main.channels[c], n), std::memory_order_relaxed);
        gainRamp(main.channels[c], driven.channels[c], n, state.channels[c].inputRamp,
                 snapshot.inputGainTargets[targetIndex(numChannels, c)]);
    }

    // The detector listens to the external side chain or to the driven signal.
    const double* const* sideChainSource = snapshot.externalSideChain ? side.read() : driven.read();
    runSideChainPath(sideChainSource, listen.data(), detector.data(), n, numChannels, snapshot, state.sideChain);

    // One gain per sample and channel, written over the main block.
    if (numChannels == 1)
        feedbackGainKernel(detector.channels[0], main.channels[0], n, state.kernel, snapshot);
    else
        feedbackGainKernel(detector.read(), main.data(), n, state.kernel, snapshot);

    delayLine(driven.read(), delayed.data(), n, numChannels, state.mainDelay, snapshot.latencySamples);

    // Gain limited to [gainFloor, 1], metered, and applied to the delayed signal.
    for (std::int32_t c = 0; c < numChannels; ++c)
    {
        double gain[kBlockCapacity];
        double smallestGain = 1.0;
        vec::thresholdRangeDoubles(main.channels[c], gain, n, snapshot.gainFloor, snapshot.gainFloor, 1.0, 1.0);
        vec::minOfDoubles(gain, n, &smallestGain);
        state.gainReductionMeter[c].store(smallestGain, std::memory_order_relaxed);
        vec::multiplyDoublesInPlace(gain, delayed.channels[c], n);
    }

    // First output circuit, output gain, second output circuit.
    const double* outputGainTargets =
        numChannels == 1 ? &snapshot.outputGainTargets[0] : &snapshot.outputGainTargets[1];
    runOutputStage(delayed.read(), main.data(), n, numChannels, state.channels, outputGainTargets,
                   snapshot.outputStage);

    // Back to left/right, then dry/wet against the latency-aligned input.
    AudioBlock& wet = stage;
    gainMatrixStage(main.read(), wet.data(), n, numChannels, state.outputMatrixState, snapshot.outputMatrix);
    delayLine(input, dry, n, numChannels, state.dryDelay, snapshot.latencySamples);
    crossfadeMixer(wet.read(), dry, main.data(), n, numChannels, state.dryWetMixerState, snapshot.dryWetMix,
                   kMixerRate);

    for (std::int32_t c = 0; c < numChannels; ++c)
        state.outputMeter[c].store(blockPeak(main.channels[c], n), std::memory_order_relaxed);

    // The listen switch: the filtered side chain, aligned with the audio, or the mix.
    AudioBlock& listenRouted = side;
    AudioBlock& listenDelayed = driven;
    gainMatrixStage(listen.read(), listenRouted.data(), n, numChannels, state.listenMatrixState,
                    snapshot.listenMatrix);
    delayLine(listenRouted.read(), listenDelayed.data(), n, numChannels, state.listenDelay, snapshot.latencySamples);
    crossfadeMixer(listenDelayed.read(), main.read(), output, n, numChannels, state.listenMixerState,
                   snapshot.listenMix, kMixerRate);
}

} // namespace corvex
