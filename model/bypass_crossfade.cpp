#include "model/bypass_crossfade.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/audio_block.h"
#include "model/compressor_model.h"
#include "model/glide.h"
#include "model/model_state.h"

#include <cstdint>

namespace corvex
{

void runBypassCrossfade(const double* const* input, const double* const* sideChain, double* const* output,
                        std::int32_t numSamples, std::int32_t numChannels, const ParameterSnapshot& snapshot,
                        ModelState& state)
{
    if (state.resetPending)
        state.enableFade = snapshot.enableFadeTarget;
    double fade = state.enableFade;

    const double target = snapshot.enableFadeTarget;
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
            fade = glideStep(fade, target, kEnableFadeRate);
        }
    }

    state.resetPending = 0;
    state.enableFade = fade >= kEnableSnapThreshold ? fade : 0.0;
}

} // namespace corvex
