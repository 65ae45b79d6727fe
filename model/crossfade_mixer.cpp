#include "model/crossfade_mixer.h"

#include "model/block_counts.h"
#include "model/glide.h"

namespace corvex
{

void resetCrossfade(CrossfadeState& state)
{
    state = CrossfadeState{1, 1.0};
}

void crossfadeMixer(const double* const* first, const double* const* second, double* const* destination,
                    std::int32_t numSamples, std::int32_t numChannels, CrossfadeState& state, double targetMix,
                    double rate)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    const std::int32_t channels = boundedChannelCount(numChannels);
    if (state.resetFlag != 0)
    {
        state.mix = targetMix;
        state.resetFlag = 0;
    }

    double mix = state.mix;
    if (glideSettled(mix, targetMix, rate))
    {
        const double secondShare = 1.0 - mix;
        for (std::int32_t c = 0; c < channels; ++c)
            for (std::int32_t i = 0; i < n; ++i)
                destination[c][i] = secondShare * second[c][i] + mix * first[c][i];
        return;
    }
    for (std::int32_t i = 0; i < n; ++i)
    {
        mix = glideStep(mix, targetMix, rate);
        for (std::int32_t c = 0; c < channels; ++c)
            destination[c][i] = (1.0 - mix) * second[c][i] + mix * first[c][i];
    }
    state.mix = mix;
}

} // namespace corvex
