#include "model/compressor_model.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/audio_block.h"
#include "model/block_counts.h"
#include "model/block_peak.h"
#include "model/crossfade_mixer.h"
#include "model/delay_line.h"
#include "model/feedback_gain_kernel_loop.h"
#include "model/gain_matrix_stage.h"
#include "model/gain_ramp.h"
#include "model/model_state.h"
#include "model/output_stage.h"
#include "model/output_stage_lanes.h"
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

// Fused: the gain computer's loop also runs, per sample, the gain limit, its
// meter, the multiply with the delayed signal and the output stage. Each gain
// waits on the previous one (the detector sees every sample times the previous
// gain), so this independent work fills the chain's latency instead of adding
// passes of its own. Stereo blocks of kLanesMinSamples or more run both
// channels at once in the lanes of vectors, the output stage after the second
// channel's gain. Shorter stereo blocks run the channels one after the other
// and the output stage in a loop of its own after the kernel, which measured
// faster there than folding it in.
constexpr std::int32_t kLanesMinSamples = 3;

struct GainLimit
{
    double gainFloor;
    double smallestGain[kMaxChannels] = {1.0, 1.0};

    // The gain limited to [gainFloor, 1], and the block's smallest kept for the meter.
    double operator()(int c, std::int32_t i, double rawGain)
    {
        const double gain = rawGain < gainFloor ? gainFloor : (rawGain > 1.0 ? 1.0 : rawGain);
        smallestGain[c] = i == 0 || gain < smallestGain[c] ? gain : smallestGain[c];
        return gain;
    }
};

void runGainAndOutputStage(const double* const* detector, const double* const* delayed, double* const* output,
                           std::int32_t numSamples, const ParameterSnapshot& snapshot, const double* thresholds,
                           const double* outputGainTargets, ModelState& state, GainLimit& limit)
{
    OutputStage<1> outputStage(state.channels, outputGainTargets, boundedSampleCount(numSamples),
                               snapshot.outputStage);
    runFeedbackGainKernel<1>(detector, numSamples, state.kernel, snapshot, thresholds,
                             [&](int c, std::int32_t i, double rawGain) {
                                 output[c][i] = outputStage.sample(c, delayed[c][i] * limit(c, i, rawGain));
                             });
    outputStage.store(state.channels);
}

void runStereoGainAndOutputStage(const double* const* detector, const double* const* delayed,
                                 double* const* output, std::int32_t numSamples, const ParameterSnapshot& snapshot,
                                 const double* thresholds, const double* outputGainTargets, ModelState& state,
                                 GainLimit& limit)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    if (n >= kLanesMinSamples)
    {
        OutputStageLanes outputStage(state.channels, outputGainTargets, n, snapshot.outputStage);
        // The kernel calls the sink for channel 0 before channel 1 at each sample.
        double gained[2];
        runFeedbackGainKernel<2, true>(detector, numSamples, state.kernel, snapshot, thresholds,
                                       [&](int c, std::int32_t i, double rawGain) {
                                           gained[c] = delayed[c][i] * limit(c, i, rawGain);
                                           if (c == 1)
                                           {
                                               const DoubleLanes out = outputStage.sample(lanes(gained[0], gained[1]));
                                               output[0][i] = out[0];
                                               output[1][i] = out[1];
                                           }
                                       });
        outputStage.store(state.channels);
        return;
    }
    OutputStage<2> outputStage(state.channels, outputGainTargets, n, snapshot.outputStage);
    runFeedbackGainKernel<2, false>(detector, numSamples, state.kernel, snapshot, thresholds,
                                    [&](int c, std::int32_t i, double rawGain) {
                                        output[c][i] = delayed[c][i] * limit(c, i, rawGain);
                                    });
    for (std::int32_t i = 0; i < n; ++i)
        for (int c = 0; c < 2; ++c)
            output[c][i] = outputStage.sample(c, output[c][i]);
    outputStage.store(state.channels);
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

    delayLine(driven.read(), delayed.data(), n, numChannels, state.mainDelay, snapshot.latencySamples);

    // One gain per sample and channel, limited to [gainFloor, 1], metered and
    // applied to the delayed signal, which then passes the output stage (first
    // output circuit, output gain, second output circuit) into the main block.
    GainLimit limit{snapshot.gainFloor};
    if (numChannels == 1)
        runGainAndOutputStage(detector.read(), delayed.read(), main.data(), n, snapshot, &snapshot.detectorGains[0],
                              &snapshot.outputGainTargets[0], state, limit);
    else
        runStereoGainAndOutputStage(detector.read(), delayed.read(), main.data(), n, snapshot,
                                    &snapshot.detectorGains[1], &snapshot.outputGainTargets[1], state, limit);
    for (std::int32_t c = 0; c < numChannels; ++c)
        state.gainReductionMeter[c].store(limit.smallestGain[c], std::memory_order_relaxed);

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
