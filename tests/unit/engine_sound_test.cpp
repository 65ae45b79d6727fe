#include "corvex_engine.h"
#include "tests/support/engine_driver.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

using namespace corvex::testing;

// Output equals the input delayed by the latency, bit for bit.
void expectDelayedCopy(const Channels& input, const Channels& output, int latency, std::size_t from = 0)
{
    for (std::size_t c = 0; c < input.size(); ++c)
        for (std::size_t i = from; i < input[c].size(); ++i)
        {
            const float expected = i < static_cast<std::size_t>(latency) ? 0.0f : input[c][i - latency];
            ASSERT_EQ(output[c][i], expected) << "channel " << c << ", sample " << i;
        }
}

TEST(EngineLatency, EffectOffIsTheInputDelayedByTheLatency)
{
    for (int rate : {44100, 48000, 96000, 192000})
    {
        auto engine = makeEngine(rate, {{kParamEnableEffect, 0.0f}});
        const int length = 4 * 1024;
        const Channels input = {noise(1.0, length, 3), noise(0.25, length, 4)};
        const auto result = stream(*engine, input, {}, 17);
        const int latency = engine->getLatencySamples();
        EXPECT_EQ(latency, static_cast<int>(rate * 0.005));
        expectDelayedCopy(input, result.output, latency);
        EXPECT_EQ(result.meters.back()[kMeterGainReduction0], 1.0f);
        EXPECT_EQ(result.meters.back()[kMeterGainReduction1], 1.0f);
    }
}

TEST(EngineLatency, FullyDryIsTheInputDelayedByTheLatency)
{
    for (int rate : {44100, 48000, 96000, 192000})
    {
        auto engine = makeEngine(rate, {{kParamDryWet, 0.0f}, {kParamInputGain, 1.0f}});
        const int length = 4 * 1024;
        const Channels input = {noise(1.0, length, 5), noise(1.0, length, 6)};
        const auto result = stream(*engine, input);
        expectDelayedCopy(input, result.output, engine->getLatencySamples());
        EXPECT_LT(result.meters.back()[kMeterGainReduction0], 0.9f) << "whatever the compressor does";
    }
}

TEST(EngineBypass, SwitchingOffFadesBy0999PerSampleThenTakesTheLightPath)
{
    const int rate = 48000;
    const int length = 16384;
    const int latency = 240;
    const Channels input = {sine(1.0, 440.0, rate, length)};
    auto steady = makeEngine(rate);
    auto switched = makeEngine(rate);
    const int switchBlock = 20;
    const int switchSample = switchBlock * 32;
    const auto on = stream(*steady, input);
    const auto faded = stream(*switched, input, {}, 32, [&](int block, int) {
        if (block == switchBlock)
            switched->setNormalizedValue(kParamEnableEffect, 0.0f);
    });

    // While the model runs, out = f * model + (1 - f) * dry with f = 0.999^i.
    double f = 1.0;
    int lastModelSample = -1;
    for (int i = switchSample; i < length; ++i)
    {
        const double dry = input[0][static_cast<std::size_t>(i - latency)];
        const double model = on.output[0][static_cast<std::size_t>(i)];
        const double expected = (1.0 - f) * dry + f * model;
        if (i < switchSample + 9000)
        {
            ASSERT_NEAR(faded.output[0][static_cast<std::size_t>(i)], expected, 2e-6) << i;
        }
        f = f + (0.0 - f) * 0.001;
        if (f < 0.0001 && lastModelSample < 0)
            lastModelSample = i; // the fade ends with the block that contains this sample
    }
    ASSERT_GT(lastModelSample, 0);
    EXPECT_NEAR(lastModelSample - switchSample, 9206, 2);
    const int lightPathStart = (lastModelSample / 32 + 1) * 32;
    const int lightBlock = lightPathStart / 32;
    EXPECT_LT(faded.meters[static_cast<std::size_t>(lightBlock - 1)][kMeterGainReduction0], 1.0f)
        << "the model still runs in the block where the fade drops below the threshold";
    EXPECT_EQ(faded.meters[static_cast<std::size_t>(lightBlock)][kMeterGainReduction0], 1.0f);
    for (int i = lightPathStart; i < length; ++i)
        ASSERT_EQ(faded.output[0][static_cast<std::size_t>(i)], input[0][static_cast<std::size_t>(i - latency)]) << i;
}

TEST(EngineBypass, TheFirstBlockAfterTheRateSetUpTakesTheLightPathAtOnce)
{
    const int rate = 48000;
    auto engine = makeEngine(rate, {{kParamEnableEffect, 0.0f}});
    const Channels input = {sine(1.0, 1000.0, rate, 512)};
    const auto result = stream(*engine, input);
    EXPECT_EQ(result.meters.front()[kMeterGainReduction0], 1.0f);
    expectDelayedCopy(input, result.output, 240);
}

TEST(EngineListen, ListenIsTheSideChainDelayedByTheLatency)
{
    const int rate = 48000;
    const int length = 4096;
    const Channels input = {sine(0.9, 200.0, rate, length), sine(0.9, 300.0, rate, length)};
    const Channels sideChain = {noise(0.5, length, 21), noise(0.5, length, 22)};
    for (float ratio : {0.0f, 1.0f})
    {
        auto engine = makeEngine(rate, {{kParamSideChainListen, 1.0f},
                                        {kParamExternalSideChain, 1.0f},
                                        {kParamRatio, ratio}});
        const auto result = stream(*engine, input, sideChain);
        for (std::size_t c = 0; c < 2; ++c)
            for (std::size_t i = 0; i < static_cast<std::size_t>(length); ++i)
            {
                const float expected = i < 240 ? 0.0f : sideChain[c][i - 240];
                ASSERT_NEAR(result.output[c][i], expected, 1e-6f) << c << " " << i;
            }
    }
}

TEST(EngineRange, FullRangeForbidsAnyReduction)
{
    const int rate = 48000;
    auto engine = makeEngine(rate, {{kParamGainReductionRange, 1.0f}, {kParamInputGain, 1.0f}});
    const auto loud = sine(1.0, 1000.0, rate, rate / 2);
    const auto result = stream(*engine, {loud, loud});
    for (const auto& meters : result.meters)
    {
        ASSERT_EQ(meters[kMeterGainReduction0], 1.0f);
        ASSERT_EQ(meters[kMeterGainReduction1], 1.0f);
    }
}

// Steady output level in dB of a 1 kHz sine at the input level, after two seconds.
double steadyOutputDb(double inputDb, float ratio, float* reductionMeter = nullptr)
{
    const int rate = 48000;
    auto engine = makeEngine(rate, {{kParamRatio, ratio}});
    const auto input = sine(std::pow(10.0, inputDb / 20.0), 1000.0, rate, 3 * rate);
    const auto result = stream(*engine, {input});
    if (reductionMeter != nullptr)
        *reductionMeter = result.meters.back()[kMeterGainReduction0];
    return rmsDb(result.output[0], 2 * rate, 3 * rate) + 3.0103; // as a sine's peak level
}

TEST(EngineCompression, AFullScaleSineIsReducedBySeveralDecibels)
{
    float meter = 0.0f;
    const double outputDb = steadyOutputDb(0.0, 0.1f, &meter);
    EXPECT_LT(outputDb, -3.0);
    // The meter's reduction agrees with the measured level within the colour of the output stages.
    EXPECT_NEAR(20.0 * std::log10(meter), outputDb, 1.5);
}

TEST(EngineCompression, HigherRatiosFlattenTheStaticCurve)
{
    const double slope4 = (steadyOutputDb(0.0, 0.1f) - steadyOutputDb(-12.0, 0.1f)) / 12.0;
    const double slope20 = (steadyOutputDb(0.0, 0.7f) - steadyOutputDb(-12.0, 0.7f)) / 12.0;
    EXPECT_LT(slope4, 0.8);
    EXPECT_LT(slope20, slope4 - 0.1) << "slope 4: " << slope4 << ", slope 20: " << slope20;
}

// First sample whose gain-reduction meter (one sample per block) shows reduction.
int onsetOfReduction(float timeWarp)
{
    const int rate = 48000;
    auto engine = makeEngine(rate, {{kParamSideChainTimeWarp, timeWarp}});
    std::vector<float> burst(12000, 0.0f);
    const auto tone = sine(1.0, 1000.0, rate, 4000);
    std::copy(tone.begin(), tone.end(), burst.begin() + 8000);
    const auto result = stream(*engine, {burst}, {}, 1);
    for (std::size_t i = 0; i < result.meters.size(); ++i)
        if (result.meters[i][kMeterGainReduction0] < 0.99f)
            return static_cast<int>(i);
    return -1;
}

TEST(EngineTimeWarp, LookAheadMovesTheOnsetEarlierByItsLength)
{
    const int plain = onsetOfReduction(0.5f);   // 0 ms
    const int ahead = onsetOfReduction(0.0f);   // -5 ms: 240 samples of look-ahead
    const int behind = onsetOfReduction(0.75f); // +5 ms
    ASSERT_GT(plain, 8240);
    EXPECT_NEAR(plain - ahead, 240, 1);
    EXPECT_NEAR(behind - plain, 240, 1);
}

TEST(EngineMeters, MonoCallsChangeOnlyChannelZero)
{
    const int rate = 48000;
    auto engine = makeEngine(rate);
    const auto loud = sine(0.9, 1000.0, rate, 4096);
    stream(*engine, {loud, loud});
    float before[kNumMeters];
    for (int m = 0; m < kNumMeters; ++m)
        before[m] = engine->getMeterValue(m);
    stream(*engine, {std::vector<float>(4096, 0.0f)});
    for (int m : {kMeterGainReduction1, kMeterInput1, kMeterOutput1})
        EXPECT_EQ(engine->getMeterValue(m), before[m]);
    EXPECT_EQ(engine->getMeterValue(kMeterInput0), 0.0f);
    EXPECT_NE(engine->getMeterValue(kMeterOutput0), before[kMeterOutput0]);
}

TEST(EngineMeters, StereoPeaksWithTheEffectOff)
{
    auto engine = makeEngine(48000, {{kParamEnableEffect, 0.0f}});
    for (int m = 0; m < kNumMeters; ++m)
        EXPECT_EQ(engine->getMeterValue(m), 0.0f) << "meters read 0 before any block";
    std::vector<float> left(1024, 0.1f);
    std::vector<float> right(1024, -0.1f);
    left[10] = -0.5f;
    right[20] = 0.25f;
    const auto result = stream(*engine, {left, right}, {}, 32);
    const auto& after = result.meters[8]; // block 8 holds samples 256..287: delayed 16..47
    EXPECT_EQ(after[kMeterInput0], 0.1f);
    const auto& peakBlock = result.meters[7]; // samples 224..255 carry delayed samples -16..15
    EXPECT_EQ(peakBlock[kMeterInput0], 0.5f);
    EXPECT_EQ(peakBlock[kMeterOutput0], 0.5f);
    EXPECT_EQ(result.meters[8][kMeterInput1], 0.25f);
    EXPECT_EQ(result.meters[8][kMeterOutput1], 0.25f);
    EXPECT_EQ(peakBlock[kMeterGainReduction0], 1.0f);
}

} // namespace
