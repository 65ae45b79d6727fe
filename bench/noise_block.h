#pragma once

#include "corvex_engine.h"

#include <random>

// A full stereo block of white noise and room for the output, with the
// channel-pointer arrays that process() takes.
struct NoiseBlock
{
    float input[kCorvexMaxNumChannels][kCorvexMaxBufferSize];
    float output[kCorvexMaxNumChannels][kCorvexMaxBufferSize] = {};
    const float* in[kCorvexMaxNumChannels] = {input[0], input[1]};
    float* out[kCorvexMaxNumChannels] = {output[0], output[1]};

    NoiseBlock()
    {
        std::mt19937 random(1);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        for (auto& channel : input)
            for (float& sample : channel)
                sample = noise(random);
    }
};
