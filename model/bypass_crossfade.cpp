#include "model/bypass_crossfade.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/audio_block.h"
#include "model/block_peak.h"
#include "model/compressor_model.h"
#include "model/delay_line.h"
#include "model/glide_settled.h"
#include "model/model_state.h"

namespace corvex
{

namespace
{

// Effect off and faded out: silence into the output (the crossfade then passes
// the dry signal alone), the input delayed by the latency into the dry block,
// and meters that show the delayed input with no reduction.
void runLightPath(const double* const* input, double* const* output, double* const* dry, std::int32_t numSamples,
                  std::int32_t numChannels, const ParameterSnapshot& snapshot, ModelState& state)
{
    for (std::int32_t c = 0; c < numChannels; ++c)
        vec::fillDoubles(0.0, output[c], numSamples);
    delayLine(input, dry, numSamples, numChannels, state.dryDelay, snapshot.latencySamples);
    for (std::int32_t c = 0; c < numChannels; ++c)
    {
        const double peak = blockPeak(dry[c], numSamples);
        state.gainReductionMeter[c].store(1.0, std::memory_order_relaxed);
        state.inputMeter[c].store(peak, std::memory_order_relaxed);
        state.outputMeter[c].store(peak, std::memory_order_relaxed);
    }
}

} // namespace

void runBypassCrossfade(const double* const* input, const double* const* sideChain, double* const* output,
                        std::int32_t numSamples, std::int32_t numChannels, const ParameterSnapshot& snapshot,
                        ModelState& state)
{
    AudioBlock dry(numChannels, numSamples);

    if (state.resetPending)
        state.enableFade = snapshot.enableFadeTarget;
    double fade = state.enableFade;

    if (snapshot.effectEnabled || fade > 0.0)
        runCompressorModel(input, sideChain, output, dry.data(), numSamples, numChannels, snapshot, state);
    else
        runLightPath(input, output, dry.data(), numSamples, numChannels, snapshot, state);

    const double target = snapshot.enableFadeTarget;
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
