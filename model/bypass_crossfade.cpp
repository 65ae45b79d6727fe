#include "model/bypass_crossfade.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/audio_block.h"
#include "model/block_peak.h"
#include "model/compressor_model.h"
#include "model/delay_line.h"
#include "model/glide_settled.h"
#include "model/model_state.h"
#include "model/settled_bypass.h"

#include <cstdint>

namespace corvex
{

namespace
{

// Effect off and faded out: the input delayed by the latency is the output
// (plus 0.0, as the crossfade with a silent compressor computes it, which
// turns -0.0 into +0.0), and the meters show the delayed input with no
// reduction.
void runLightPath(const double* const* input, double* const* output, std::int32_t numSamples,
                  std::int32_t numChannels, const ParameterSnapshot& snapshot, ModelState& state)
{
    delayLine(input, output, numSamples, numChannels, state.dryDelay, snapshot.latencySamples);
    for (std::int32_t c = 0; c < numChannels; ++c)
    {
        const double peak = blockPeak(output[c], numSamples);
        state.gainReductionMeter[c].store(1.0, std::memory_order_relaxed);
        state.inputMeter[c].store(peak, std::memory_order_relaxed);
        state.outputMeter[c].store(peak, std::memory_order_relaxed);
        for (std::int32_t i = 0; i < numSamples; ++i)
            output[c][i] = output[c][i] + 0.0;
    }
}

} // namespace

void runBypassCrossfade(const double* const* input, const double* const* sideChain, double* const* output,
                        std::int32_t numSamples, std::int32_t numChannels, const ParameterSnapshot& snapshot,
                        ModelState& state)
{
    if (state.resetPending)
        state.enableFade = snapshot.enableFadeTarget;
    double fade = state.enableFade;

    const double target = snapshot.enableFadeTarget;
    if (bypassSettled(snapshot, state))
    {
        runLightPath(input, output, numSamples, numChannels, snapshot, state);
        state.resetPending = 0;
        state.enableFade = 0.0;
        return;
    }

    // While the effect is off and fading out, the compressor still runs.
    AudioBlock dry(numChannels, numSamples);
    runCompressorModel(input, sideChain, output, dry.data(), numSamples, numChannels, snapshot, state);
    if (glideSettled(fade, target, kEnableFadeRate))
    {
        const double dryShare = 1.0 - fade;
        for (std::int32_t c = 0; c < numChannels; ++c)
            for (std::int32_t i = 0; i < numSamples; ++i)
                output[c][i] = dryShare * dry.channels[c][i] + fade * output[c][i];
    }
    else
    {
        for (std::int32_t i = 0; i < numSamples; ++i)
        {
            for (std::int32_t c = 0; c < numChannels; ++c)
                output[c][i] = (1.0 - fade) * dry.channels[c][i] + fade * output[c][i];
            fade = fade + (target - fade) * kEnableFadeRate;
        }
    }

    state.resetPending = 0;
    state.enableFade = fade >= kEnableSnapThreshold ? fade : 0.0;
}

} // namespace corvex
