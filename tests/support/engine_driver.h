#pragma once

#include "corvex_engine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

namespace corvex::testing
{

using Channels = std::vector<std::vector<float>>;
using EnginePtr = std::unique_ptr<CorvexEngine>;

// A new engine from the factory, the normalized values applied before the rate (the first block starts settled).
inline EnginePtr makeEngine(int sampleRate, std::initializer_list<std::pair<int, float>> values = {})
{
    EnginePtr engine(createCorvexEngine());
    for (const auto& [id, value] : values)
        engine->setNormalizedValue(id, value);
    engine->setSampleRate(sampleRate);
    return engine;
}

struct StreamResult
{
    Channels output;
    std::vector<std::array<float, kNumMeters>> meters; // the six meters after each block
};

// Streams the input and side chain (none if empty; an empty channel passes null) through the engine
// in blocks of blockSize samples; beforeBlock(blockIndex, firstSample) runs before each block.
inline StreamResult stream(CorvexEngine& engine, const Channels& input, const Channels& sideChain = {}, int blockSize = 32,
                           const std::function<void(int, int)>& beforeBlock = {})
{
    const int length = static_cast<int>(input[0].size());
    StreamResult result{Channels(input.size(), std::vector<float>(input[0].size(), 0.0f)), {}};
    for (int start = 0, block = 0; start < length; start += blockSize, ++block)
    {
        if (beforeBlock)
            beforeBlock(block, start);
        const float* in[2] = {};
        float* out[2] = {};
        const float* sc[2] = {};
        for (std::size_t c = 0; c < input.size(); ++c)
        {
            in[c] = input[c].data() + start;
            out[c] = result.output[c].data() + start;
            sc[c] = sideChain.empty() || sideChain[c].empty() ? nullptr : sideChain[c].data() + start;
        }
        engine.process(in, out, sideChain.empty() ? nullptr : sc, static_cast<int>(input.size()), std::min(blockSize, length - start));
        result.meters.emplace_back();
        for (int m = 0; m < kNumMeters; ++m)
            result.meters.back()[static_cast<std::size_t>(m)] = engine.getMeterValue(m);
    }
    return result;
}

// Uniform in [-amplitude, amplitude) from a linear congruential generator: integer arithmetic
// only, so the same numbers on every platform (the reference recording relies on it).
inline double lcgNoiseSample(std::uint32_t& state, double amplitude)
{
    state = state * 1664525u + 1013904223u;
    return amplitude * (static_cast<double>(state >> 8) / 8388608.0 - 1.0);
}

// That noise from a seed, and a sine of the given peak amplitude from phase 0.
inline std::vector<float> noise(double amplitude, int length, std::uint32_t seed)
{
    std::vector<float> samples(static_cast<std::size_t>(length));
    for (float& s : samples)
        s = static_cast<float>(lcgNoiseSample(seed, amplitude));
    return samples;
}
inline std::vector<float> sine(double amplitude, double frequencyHz, int sampleRate, int length)
{
    std::vector<float> samples(static_cast<std::size_t>(length));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * frequencyHz * static_cast<double>(i) / sampleRate));
    return samples;
}

// RMS level in dB of samples [begin, end).
inline double rmsDb(const std::vector<float>& samples, std::size_t begin, std::size_t end)
{
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return 10.0 * std::log10(sum / static_cast<double>(end - begin));
}

} // namespace corvex::testing
