#pragma once
// The tests' engines and signals: engines made and streamed in blocks, tones and
// noise (corvex::testing); and what a demanding (or broken) host feeds an engine:
// signal kinds, block shapes with every side-chain layout, automation, and the
// host-owned buffers of one call (corvex::validation). Equal seeds give equal
// streams; the fuzz corpus relies on every draw of the latter.
#include "corvex_engine.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
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

namespace corvex::validation
{

enum class SignalKind { Silence, Dc, FullScaleSquare, WhiteNoise, Denormal, LargestFinite, NotANumber, Infinity };
inline constexpr SignalKind kAllSignalKinds[] = {SignalKind::Silence,  SignalKind::Dc,         SignalKind::FullScaleSquare,
                                                 SignalKind::WhiteNoise, SignalKind::Denormal, SignalKind::LargestFinite,
                                                 SignalKind::NotANumber, SignalKind::Infinity};

class TestSignal
{
public:
    TestSignal(SignalKind signalKind, std::uint32_t seed) : kind(signalKind), random(seed) {}

    float next()
    {
        // Square waves change sign every 37 samples: many edges, each long enough to excite the detector.
        const std::uint64_t i = sampleIndex++;
        const auto alternating = [i](float magnitude) { return (i / 37) % 2 == 0 ? magnitude : -magnitude; };
        switch (kind)
        {
        case SignalKind::Silence: return 0.0f;
        case SignalKind::Dc: return 0.5f;
        case SignalKind::FullScaleSquare: return alternating(1.0f);
        case SignalKind::WhiteNoise: return std::uniform_real_distribution<float>(-1.0f, 1.0f)(random);
        case SignalKind::Denormal:
            return alternating(static_cast<float>(std::uniform_int_distribution<int>(1, (1 << 23) - 1)(random)) *
                               std::numeric_limits<float>::denorm_min());
        case SignalKind::LargestFinite: return alternating(std::numeric_limits<float>::max());
        case SignalKind::NotANumber: return std::numeric_limits<float>::quiet_NaN();
        case SignalKind::Infinity: return alternating(std::numeric_limits<float>::infinity());
        }
        return 0.0f;
    }

private:
    SignalKind kind;
    std::mt19937 random;
    std::uint64_t sampleIndex = 0;
};

// The rates every host-behaviour check runs at, with the latency each must report: 5 ms, truncated.
struct RateAndLatency
{
    int sampleRate, latencySamples;
};
inline constexpr RateAndLatency kHostSampleRates[] = {{1, 0},       {8000, 40},   {22050, 110},  {44100, 220}, {48000, 240},
                                                      {88200, 441}, {96000, 480}, {176400, 882}, {192000, 960}};

enum class SideChainLayout { Absent, NullFirstChannel, NullSecondChannel, Present }; // null array, null channel, all there
struct BlockShape
{
    int numChannels, numSamples;
    SideChainLayout sideChain;
};

// Block sizes 1 to 32 at random, mono and stereo alternating, any side-chain layout.
class BlockShapes
{
public:
    explicit BlockShapes(std::uint32_t seed) : random(seed) {}
    BlockShape next()
    {
        lastChannels = 3 - lastChannels;
        const int numSamples = std::uniform_int_distribution<int>(1, kCorvexMaxBufferSize)(random);
        return {lastChannels, numSamples, static_cast<SideChainLayout>(std::uniform_int_distribution<int>(0, 3)(random))};
    }

private:
    std::mt19937 random;
    int lastChannels = 2;
};

// Read as bits: the test threads run with denormals-are-zero, under which a comparison sees a subnormal as zero.
inline bool isSubnormal(float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return (bits & 0x7F800000u) == 0 && (bits & 0x007FFFFFu) != 0;
}
inline bool isCleanSample(float value)
{
    return (std::bit_cast<std::uint32_t>(value) & 0x7F800000u) != 0x7F800000u && !isSubnormal(value);
}

// Host-owned buffers for one call.
struct HostBlock
{
    float input[kCorvexMaxNumChannels][kCorvexMaxBufferSize] = {};
    float output[kCorvexMaxNumChannels][kCorvexMaxBufferSize] = {};
    float sideChain[kCorvexMaxNumChannels][kCorvexMaxBufferSize] = {};

    void fill(const BlockShape& shape, TestSignal& inputSignal, TestSignal& sideChainSignal)
    {
        for (int c = 0; c < shape.numChannels; ++c)
            for (int i = 0; i < shape.numSamples; ++i)
            {
                input[c][i] = inputSignal.next();
                sideChain[c][i] = sideChainSignal.next();
            }
    }
    // In place, the output is written over the input, as some hosts do.
    void process(CorvexEngine& engine, const BlockShape& shape, bool inPlace = false)
    {
        const float* in[2] = {input[0], input[1]};
        float* out[2] = {inPlace ? input[0] : output[0], inPlace ? input[1] : output[1]};
        const float* side[2] = {shape.sideChain == SideChainLayout::NullFirstChannel ? nullptr : sideChain[0],
                                shape.sideChain == SideChainLayout::NullSecondChannel ? nullptr : sideChain[1]};
        engine.process(in, out, shape.sideChain == SideChainLayout::Absent ? nullptr : side, shape.numChannels,
                       shape.numSamples);
    }
    // How many of the call's output samples are not finite or are subnormal.
    int uncleanOutputSamples(const BlockShape& shape) const
    {
        int unclean = 0;
        for (int c = 0; c < shape.numChannels; ++c)
            for (int i = 0; i < shape.numSamples; ++i)
                unclean += isCleanSample(output[c][i]) ? 0 : 1;
        return unclean;
    }
};

// Automation between blocks: up to three random parameters move, often exactly
// to a switch edge (0.5) or a choice edge (multiples of 0.2).
class ParameterAutomation
{
public:
    explicit ParameterAutomation(std::uint32_t seed) : random(seed) {}
    void step(CorvexEngine& engine)
    {
        constexpr float kEdgeValues[] = {0.0f, 0.2f, 0.4f, 0.5f, 0.6f, 0.8f, 1.0f};
        for (int move = std::uniform_int_distribution<int>(0, 3)(random); move > 0; --move)
        {
            const int id = std::uniform_int_distribution<int>(0, kNumParameters - 1)(random);
            const float value = std::bernoulli_distribution(0.3)(random)
                                    ? kEdgeValues[std::uniform_int_distribution<std::size_t>(0, 6)(random)]
                                    : std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
            engine.setNormalizedValue(id, value);
        }
    }

private:
    std::mt19937 random;
};

} // namespace corvex::validation
