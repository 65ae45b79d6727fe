#pragma once
// What a demanding (or broken) host feeds an engine: signal kinds, block shapes
// with every side-chain layout, automation, and the host-owned buffers of one call.
// Equal seeds give equal streams; the fuzz corpus relies on every draw below.
#include "corvex_engine.h"

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

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
