#pragma once

#include "model/audio_block.h"

#include <gtest/gtest.h>

#include <random>

namespace corvex::testing
{

// Fills every channel of a block with reproducible uniform noise in [-1, 1].
inline void fillNoise(AudioBlock& block, std::mt19937& random)
{
    std::uniform_real_distribution<double> sample(-1.0, 1.0);
    for (int c = 0; c < block.numChannels; ++c)
        for (int i = 0; i < block.numSamples; ++i)
            block.channels[c][i] = sample(random);
}

// Success when every sample of every channel of actual equals expected's exactly.
inline ::testing::AssertionResult sameSamples(const AudioBlock& actual, const AudioBlock& expected)
{
    for (int c = 0; c < actual.numChannels; ++c)
        for (int i = 0; i < actual.numSamples; ++i)
            if (actual.channels[c][i] != expected.channels[c][i])
                return ::testing::AssertionFailure() << "channel " << c << " sample " << i << ": "
                                                     << actual.channels[c][i] << " != " << expected.channels[c][i];
    return ::testing::AssertionSuccess();
}

} // namespace corvex::testing
