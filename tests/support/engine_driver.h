#pragma once

#include "corvex_engine.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace corvex::testing
{

using Channels = std::vector<std::vector<float>>;

struct EngineDeleter
{
    void operator()(CorvexEngine* engine) const { delete engine; }
};
using EnginePtr = std::unique_ptr<CorvexEngine, EngineDeleter>;

// A new engine from the factory, the normalized values applied before the rate (the first block starts settled).
EnginePtr makeEngine(int sampleRate, std::initializer_list<std::pair<int, float>> values = {});

struct StreamResult
{
    Channels output;
    std::vector<std::array<float, kNumMeters>> meters; // the six meters after each block
};

// Streams the input and side chain (none if empty; an empty channel passes null) through the engine
// in blocks of blockSize samples; beforeBlock(blockIndex, firstSample) runs before each block.
StreamResult stream(CorvexEngine& engine, const Channels& input, const Channels& sideChain = {}, int blockSize = 32,
                    const std::function<void(int, int)>& beforeBlock = {});

// Uniform in [-amplitude, amplitude) from a linear congruential generator: integer arithmetic
// only, so the same numbers on every platform (the reference recording relies on it).
inline double lcgNoiseSample(std::uint32_t& state, double amplitude)
{
    state = state * 1664525u + 1013904223u;
    return amplitude * (static_cast<double>(state >> 8) / 8388608.0 - 1.0);
}

// A sine of the given peak amplitude from phase 0, and the noise above from a seed.
std::vector<float> sine(double amplitude, double frequencyHz, int sampleRate, int length);
std::vector<float> noise(double amplitude, int length, std::uint32_t seed);

// RMS level in dB of samples [begin, end).
double rmsDb(const std::vector<float>& samples, std::size_t begin, std::size_t end);

} // namespace corvex::testing
