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

struct Scenario
{
    const char* name;
    int sampleRate, numChannels, blockSize;
    std::vector<std::pair<int, float>> values;
    bool externalSideChain;
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
        auto signal = triangle(0.8, scenario.sampleRate / (110 * (c + 1)), length);
        const auto hiss = noise(0.2, length, 100u + static_cast<std::uint32_t>(c));
        for (std::size_t i = 0; i < signal.size(); ++i)
            signal[i] += hiss[i] * static_cast<float>((i / 2000) % 2);
        input.push_back(signal);
        if (scenario.externalSideChain)
            sideChain.push_back(noise(0.9, length, 200u + static_cast<std::uint32_t>(c)));
    }
    const auto result = stream(*engine, input, sideChain, scenario.blockSize);
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
