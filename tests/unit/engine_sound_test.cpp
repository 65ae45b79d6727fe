#include "corvex_engine.h"
#include "tests/support/engine_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

// Properties of the sound through the whole engine: nulls, glides, levels, meters and bad input.
namespace
{

using namespace corvex::testing;

// Output equals the input delayed by the latency, bit for bit, from sample `from` on.
::testing::AssertionResult isDelayedCopy(const Channels& input, const Channels& output, int latency, int from = 0)
{
    for (std::size_t c = 0; c < input.size(); ++c)
        for (std::size_t i = static_cast<std::size_t>(from); i < input[c].size(); ++i)
            if (output[c][i] != (i < static_cast<std::size_t>(latency) ? 0.0f : input[c][i - latency]))
                return ::testing::AssertionFailure() << "channel " << c << ", sample " << i;
    return ::testing::AssertionSuccess();
}

// A switch or mix changed at a block boundary glides from the old sound A to the
// new sound B: out = f A + (1 - f) B, f falling from 1 by the coefficient per
// sample (applied after the sample for the bypass fade, before it for the mixers).
// (That the effect off from the start is the delayed input: host_behaviour_test.)
TEST(EngineSound, ChangesGlideAtTheirCoefficients)
{
    const std::tuple<int, float, float, double, bool> glides[] = { // parameter, from, to, coefficient, step first
        {kParamEnableEffect, 1, 0, 0.001, false}, {kParamDryWet, 1, 0, 0.0025, true}, {kParamSideChainListen, 0, 1, 0.0025, true}};
    const int length = 16384;
    const int switchSample = 640;
    const Channels input = {sine(1.0, 440.0, 48000, length)};
    for (const auto& [id, from, to, coefficient, stepFirst] : glides)
    {
        SCOPED_TRACE(id);
        const auto a = stream(*makeEngine(48000, {{id, from}}), input);
        const auto b = stream(*makeEngine(48000, {{id, to}}), input);
        auto engine = makeEngine(48000, {{id, from}});
        const auto out = stream(*engine, input, {}, 32, [&](int, int first) {
            if (first == switchSample)
                engine->setNormalizedValue(id, to);
        });
        double f = 1.0;
        int fadeSample = length;
        for (int i = switchSample; i < length; ++i)
        {
            if (stepFirst)
                f += (0.0 - f) * coefficient;
            if (i < switchSample + 9000)
            {
                ASSERT_NEAR(out.output[0][i], f * a.output[0][i] + (1.0 - f) * b.output[0][i], 2e-6) << i;
            }
            if (!stepFirst)
                f += (0.0 - f) * coefficient;
            fadeSample = f < 0.0001 ? std::min(fadeSample, i) : fadeSample;
        }
        // Fully dry: the delayed input, bit for bit, while the model compresses.
        EXPECT_TRUE(id != kParamDryWet || (isDelayedCopy(input, b.output, 240) && b.meters.back()[kMeterGainReduction0] < 1.0f));
        if (id != kParamEnableEffect)
            continue;
        // The fade falls below 0.0001 9206 samples on; from the next block only the light path runs.
        EXPECT_NEAR(fadeSample - switchSample, 9206, 2);
        const int fadeEnd = (fadeSample / 32 + 1) * 32;
        EXPECT_LT(out.meters[fadeEnd / 32 - 1][kMeterGainReduction0], 1.0f);
        EXPECT_EQ(out.meters[fadeEnd / 32][kMeterGainReduction0], 1.0f);
        EXPECT_TRUE(isDelayedCopy(input, out.output, 240, fadeEnd));
    }
}

// Listen plays the side chain, delayed by the latency, whatever the ratio.
TEST(EngineSound, ListenIsTheSideChainDelayedByTheLatency)
{
    const Channels input = {sine(0.9, 200.0, 48000, 4096), sine(0.9, 300.0, 48000, 4096)};
    const Channels sideChain = {noise(0.5, 4096, 21), noise(0.5, 4096, 22)};
    for (float ratio : {0.0f, 1.0f})
    {
        const auto out = stream(*makeEngine(48000, {{kParamSideChainListen, 1}, {kParamExternalSideChain, 1}, {kParamRatio, ratio}}),
                                input, sideChain).output;
        for (std::size_t c = 0; c < 2; ++c)
            for (std::size_t i = 0; i < 4096; ++i)
                ASSERT_NEAR(out[c][i], i < 240 ? 0.0f : sideChain[c][i - 240], 1e-6f) << c << " " << i;
    }
}

// Steady peak level in dB of a 1 kHz sine at the input level, and the last reduction meter.
std::pair<double, double> steadyLevels(double inputDb, float ratio, float range = 0.0f)
{
    const auto result = stream(*makeEngine(48000, {{kParamRatio, ratio}, {kParamGainReductionRange, range}}),
                               {sine(std::pow(10.0, inputDb / 20.0), 1000.0, 48000, 96000)});
    return {rmsDb(result.output[0], 72000, 96000) + 3.0103, 20.0 * std::log10(result.meters.back()[0])};
}

TEST(EngineSound, HigherRatiosFlattenTheStaticCurveAndTheMeterShowsTheReduction)
{
    double previousSlope = 1.0;
    for (float ratio : {0.1f, 0.3f, 0.5f, 0.7f, 0.9f})
    {
        const auto [loudDb, meterDb] = steadyLevels(0.0, ratio);
        const double slope = (loudDb - steadyLevels(-12.0, ratio).first) / 12.0;
        EXPECT_TRUE(slope < previousSlope && loudDb < -3.0) << "ratio " << ratio << ": slope " << slope << ", " << loudDb << " dB";
        // The meter's reduction agrees with the level within the colour of the output stages.
        EXPECT_NEAR(meterDb, loudDb, 1.5) << "ratio " << ratio;
        previousSlope = slope;
    }
    EXPECT_EQ(steadyLevels(0.0, 1.0f, 1.0f).second, 0.0) << "a GR Range of 0 dB forbids any reduction";
}

// First sample whose reduction meter (one block per sample) shows reduction.
int onsetOfReduction(float timeWarp)
{
    std::vector<float> burst(8000, 0.0f);
    const auto tone = sine(1.0, 1000.0, 48000, 4000);
    burst.insert(burst.end(), tone.begin(), tone.end());
    const auto result = stream(*makeEngine(48000, {{kParamSideChainTimeWarp, timeWarp}}), {burst}, {}, 1);
    for (std::size_t i = 0; i < result.meters.size(); ++i)
        if (result.meters[i][kMeterGainReduction0] < 0.99f)
            return static_cast<int>(i);
    return -1;
}

TEST(EngineSound, TimeWarpShiftsTheOnsetByItsLength)
{
    const int plain = onsetOfReduction(0.5f);
    ASSERT_GT(plain, 8240);
    EXPECT_NEAR(plain - onsetOfReduction(0.0f), 240, 1) << "-5 ms: 240 samples of look-ahead";
    EXPECT_NEAR(onsetOfReduction(0.75f) - plain, 240, 1) << "+5 ms";
}

TEST(EngineSound, LinkedReducesBothChannelsAlikeDualOnlyTheLoudOne)
{
    const Channels input = {sine(1.0, 1000.0, 48000, 9600), std::vector<float>(9600, 0.0f)};
    const auto dual = stream(*makeEngine(48000, {{kParamSideChainDetectionMode, 0.3f}}), input).meters;
    const auto linked = stream(*makeEngine(48000, {{kParamSideChainDetectionMode, 0.5f}}), input).meters;
    for (std::size_t b = 0; b < dual.size(); ++b)
        ASSERT_TRUE(dual[b][1] > 0.9999f && linked[b][1] == linked[b][0]) << "block " << b;
    EXPECT_TRUE(dual.back()[0] < 0.7f && linked.back()[1] < 0.7f);
}

// Output beyond the float range leaves as the largest float of its sign. In "M only"
// mono blocks move only the mid coefficient of the input matrix, so the next stereo
// block's mid of full-scale input lies beyond the float range: the meter reads the
// largest float there, as the output would, never infinity. (That non-finite input
// enters as silence: host_behaviour_test, against a twin fed silence.)
TEST(EngineSound, OutputAndMetersBeyondTheFloatRangeReadTheLargestFloat)
{
    std::vector<float> huge(1024);
    for (std::size_t i = 0; i < huge.size(); ++i)
        huge[i] = (i / 64) % 2 == 0 ? 3.0e38f : -3.0e38f;
    const auto out = stream(*makeEngine(48000, {{kParamExternalSideChain, 1.0f}, {kParamExternalSideChainGain, 1.0f},
                                                {kParamSideChainListen, 1.0f}}),
                            {std::vector<float>(1024)}, {huge}).output[0];
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return std::isfinite(x); }));
    EXPECT_GT(std::count(out.begin(), out.end(), std::numeric_limits<float>::max()), 100);
    EXPECT_GT(std::count(out.begin(), out.end(), -std::numeric_limits<float>::max()), 100);

    auto engine = makeEngine(48000, {{kParamSideChainDetectionMode, 0.75f}});
    std::vector<float> samples(32, std::numeric_limits<float>::max()), left(32), right(32);
    const float* inputs[2] = {samples.data(), samples.data()};
    float* outputs[2] = {left.data(), right.data()};
    for (const auto& [channels, blocks] : {std::pair{2, 100}, std::pair{1, 300}, std::pair{2, 1}})
        for (int block = 0; block < blocks; ++block)
            engine->process(inputs, outputs, nullptr, channels, 32);
    EXPECT_EQ(engine->getMeterValue(kMeterInput0), std::numeric_limits<float>::max());
    for (int meter = 0; meter < kNumMeters; ++meter)
        EXPECT_TRUE(std::isfinite(engine->getMeterValue(meter))) << "meter " << meter;
}

} // namespace
