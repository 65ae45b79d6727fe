#include "corvex_engine.h"
#include "tests/support/engine_driver.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

// Reference recording: a hash of the float output and the meters of fixed
// scenarios. Any change that alters a single output bit fails here and must
// update tests/golden/engine_output_hashes.txt on purpose, by running this test
// with CORVEX_UPDATE_GOLDEN=1, and say why in its commit message.
namespace
{

using namespace corvex::testing;

// A value set before the block that holds sample `at`.
struct Move
{
    int at, id;
    float value;
};

struct Scenario
{
    const char* name;
    int sampleRate, numChannels, blockSize;
    std::vector<std::pair<int, float>> values;
    bool externalSideChain;
    std::vector<Move> moves = {};
    double level = 1.0; // of the input signal
};

// Every continuous parameter moves at least once, between the grid points of its tables; "Ratio" to "All" and back.
const std::vector<Move> kMoves = {
    {1000, kParamAttackTime, 0.37f},      {1500, kParamReleaseTime, 0.63f}, {2000, kParamInputGain, 0.83f},
    {2600, kParamRatio, 1.0f},            {3100, kParamOutputGain, 0.71f},  {3700, kParamSideChainTimeWarp, 0.33f},
    {4200, kParamRatio, 0.45f},           {4800, kParamDryWet, 0.77f},      {5300, kParamGainReductionRange, 0.52f},
    {5900, kParamSideChainEqOn, 1.0f},    {6000, kParamSideChainEqHighPassFreq, 0.41f},
    {6400, kParamSideChainEqBellFreq, 0.29f}, {6900, kParamSideChainEqBellGain, 0.86f},
    {7300, kParamSideChainEqLowPassFreq, 0.18f}, {7800, kParamExternalSideChainGain, 0.66f},
    {8200, kParamAttackTime, 0.91f},      {8600, kParamReleaseTime, 0.07f}, {9000, kParamRatio, 0.95f},
    {9400, kParamInputGain, 0.2f},        {9800, kParamOutputGain, 0.3f},
};

// The five detection modes in turn, each switch gliding the side-chain matrix.
const std::vector<Move> kModeCycle = {
    {1500, kParamSideChainDetectionMode, 0.1f}, {3500, kParamSideChainDetectionMode, 0.5f},
    {5500, kParamSideChainDetectionMode, 0.7f}, {7500, kParamSideChainDetectionMode, 0.9f},
    {9500, kParamSideChainDetectionMode, 0.3f},
};

const Scenario kScenarios[] = {
    {"defaults-stereo-48k-32", 48000, 2, 32, {}, false}, {"defaults-mono-44k-1", 44100, 1, 1, {}, false},
    {"ratio-all-fast-96k-17", 96000, 2, 17, {{kParamRatio, 1.0f}, {kParamAttackTime, 1.0f}, {kParamReleaseTime, 0.0f}}, false},
    {"ratio-20-linked-48k-32", 48000, 2, 32,
     {{kParamRatio, 0.7f}, {kParamSideChainDetectionMode, 0.5f}, {kParamInputGain, 0.8f}}, false},
    {"mid-only-eq-192k-31", 192000, 2, 31,
     {{kParamSideChainDetectionMode, 0.7f}, {kParamSideChainEqOn, 1.0f}, {kParamSideChainEqHighPassOn, 1.0f},
      {kParamSideChainEqLowPassOn, 1.0f}, {kParamSideChainEqBellGain, 0.9f}, {kParamSideChainEqHighPassFreq, 0.4f}}, false},
    {"side-only-reversed-warp-48k-8", 48000, 2, 8, {{kParamSideChainDetectionMode, 1.0f}, {kParamSideChainTimeWarp, 0.1f}}, false},
    {"reversed-external-mix-48k-32", 48000, 2, 32,
     {{kParamSideChainDetectionMode, 0.0f}, {kParamExternalSideChain, 1.0f}, {kParamExternalSideChainGain, 0.8f},
      {kParamDryWet, 0.6f}, {kParamGainReductionRange, 0.4f}}, true},
    {"listen-mono-22k-5", 22050, 1, 5, {{kParamSideChainListen, 1.0f}, {kParamSideChainEqOn, 1.0f}}, false},
    {"bypassed-stereo-88k-32", 88200, 2, 32, {{kParamEnableEffect, 0.0f}, {kParamOutputGain, 0.2f}}, false},
    {"moving-stereo-48k-32", 48000, 2, 32, {}, false, kMoves},
    {"moving-mono-44k-7", 44100, 1, 7, {}, false, kMoves},
    {"moving-stereo-48k-2", 48000, 2, 2, {}, false, kMoves},
    {"modes-stereo-48k-1", 48000, 2, 1, {{kParamInputGain, 0.8f}}, false, kModeCycle},
    {"modes-stereo-96k-24", 96000, 2, 24, {{kParamInputGain, 0.8f}}, false, kModeCycle},
    // Loud enough for every clip of both output circuits, the second one's floor included.
    {"loud-stereo-48k-32", 48000, 2, 32, {{kParamInputGain, 1.0f}, {kParamOutputGain, 1.0f}, {kParamRatio, 0.0f}},
     false, {}, 40.0},
    {"loud-mono-48k-3", 48000, 1, 3,
     {{kParamInputGain, 1.0f}, {kParamOutputGain, 1.0f}, {kParamGainReductionRange, 1.0f}}, false, {}, 40.0},
    // The external side chain in mid/side modes; attack and release both low, then both high.
    {"external-mid-side-48k-16", 48000, 2, 16,
     {{kParamExternalSideChain, 1.0f}, {kParamExternalSideChainGain, 0.6f}, {kParamSideChainDetectionMode, 0.7f},
      {kParamAttackTime, 0.12f}, {kParamReleaseTime, 0.21f}},
     true,
     {{6000, kParamSideChainDetectionMode, 0.9f}, {6000, kParamAttackTime, 0.8f}, {6000, kParamReleaseTime, 0.9f}}},
};

// Test signals built from integer arithmetic only, so they are the same on every
// platform's maths library: a triangle wave and the support library's noise.
std::vector<float> triangle(double amplitude, int periodSamples, int length)
{
    std::vector<float> samples(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
    {
        const double phase = static_cast<double>(i % periodSamples) / periodSamples;
        samples[static_cast<std::size_t>(i)] = static_cast<float>(amplitude * (phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase));
    }
    return samples;
}

// FNV-1a over the four bytes of a word, lowest first.
std::uint64_t fnv1a(std::uint64_t hash, std::uint32_t word)
{
    for (int b = 0; b < 4; ++b)
        hash = (hash ^ ((word >> (8 * b)) & 0xFFu)) * 0x100000001B3ull;
    return hash;
}

std::string hashScenario(const Scenario& scenario)
{
    auto engine = makeEngine(scenario.sampleRate);
    for (const auto& [id, value] : scenario.values)
        engine->setNormalizedValue(id, value);
    const int length = scenario.sampleRate / 4;
    Channels input, sideChain;
    for (int c = 0; c < scenario.numChannels; ++c)
    {
        auto signal = triangle(0.8 * scenario.level, scenario.sampleRate / (110 * (c + 1)), length);
        const auto hiss = noise(0.2 * scenario.level, length, 100u + static_cast<std::uint32_t>(c));
        for (std::size_t i = 0; i < signal.size(); ++i)
            signal[i] += hiss[i] * static_cast<float>((i / 2000) % 2);
        input.push_back(signal);
        if (scenario.externalSideChain)
            sideChain.push_back(noise(0.9, length, 200u + static_cast<std::uint32_t>(c)));
    }
    std::size_t next = 0;
    const auto result = stream(*engine, input, sideChain, scenario.blockSize, [&](int, int firstSample) {
        for (; next < scenario.moves.size() && scenario.moves[next].at < firstSample + scenario.blockSize; ++next)
            engine->setNormalizedValue(scenario.moves[next].id, scenario.moves[next].value);
    });
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const auto& channel : result.output)
        for (float s : channel)
            hash = fnv1a(hash, std::bit_cast<std::uint32_t>(s));
    for (const auto& meters : result.meters)
        for (float m : meters)
            hash = fnv1a(hash, std::bit_cast<std::uint32_t>(m));
    return (std::ostringstream() << std::hex << hash).str();
}

TEST(EngineGolden, OutputMatchesTheReferenceRecording)
{
    std::map<std::string, std::string> actual;
    for (const Scenario& scenario : kScenarios)
        actual[scenario.name] = hashScenario(scenario);
    if (std::getenv("CORVEX_UPDATE_GOLDEN") != nullptr)
    {
        std::ofstream file(CORVEX_GOLDEN_FILE);
        for (const auto& [name, hash] : actual)
            file << name << ' ' << hash << '\n';
        GTEST_SKIP() << "reference recording rewritten";
    }
    std::map<std::string, std::string> expected;
    std::ifstream file(CORVEX_GOLDEN_FILE);
    for (std::string name, hash; file >> name >> hash;)
        expected[name] = hash;
    ASSERT_EQ(expected.size(), std::size(kScenarios)) << "missing reference recording " << CORVEX_GOLDEN_FILE;
    for (const auto& [name, hash] : actual)
        EXPECT_EQ(hash, expected.at(name)) << name;
}

} // namespace
