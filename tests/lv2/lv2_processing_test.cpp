// The plug-in loaded by lilv from the build tree processes exactly what the
// engine driven directly produces, at any host block size, and refuses rates
// and control values the engine cannot take without reporting anything.
#include "corvex_engine.h"
#include "plugins/lv2/port_layout.h"
#include "tests/lv2/audio.h"
#include "tests/lv2/bundle_fixture.h"
#include "tests/lv2/engine_reference.h"
#include "tests/lv2/lilv_host.h"
#include "tests/lv2/stderr_capture.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace corvex::testing
{

namespace
{

using Lv2ProcessingTest = BundleTest;

constexpr double kSampleRate = 48000.0;
// Long enough for several blocks of the largest size and not a multiple of any.
constexpr std::size_t kNumFrames = 3 * 4096 + 777;

bool bitIdentical(const Audio& left, const Audio& right)
{
    if (left.size() != right.size())
        return false;
    for (std::size_t channel = 0; channel < left.size(); ++channel)
    {
        if (left[channel].size() != right[channel].size() ||
            std::memcmp(left[channel].data(), right[channel].data(), left[channel].size() * sizeof(float)) != 0)
            return false;
    }
    return true;
}

double peak(const Audio& audio)
{
    double largest = 0.0;
    for (const auto& channel : audio)
    {
        for (const float sample : channel)
            largest = std::max(largest, static_cast<double>(std::fabs(sample)));
    }
    return largest;
}

// A non-default setting with the external side chain on, and changes half-way
// through: a different ratio, time warp, detection mode and the side-chain
// equaliser switched in.
std::vector<ControlChange> externalSideChainSession(std::size_t blockSize)
{
    const std::size_t middle = kNumFrames / 2 / blockSize;
    return {
        {0, kParamExternalSideChain, 1.0f},  {0, kParamRatio, 2.0f},          {0, kParamAttackTime, 2.5f},
        {0, kParamReleaseTime, 6.0f},        {0, kParamDryWet, 85.0f},         {0, kParamExternalSideChainGain, 6.0f},
        {middle, kParamRatio, 4.0f},         {middle, kParamSideChainTimeWarp, 3.5f},
        {middle, kParamSideChainDetectionMode, 2.0f}, {middle, kParamSideChainEqOn, 1.0f},
        {middle, kParamSideChainEqBellGain, -7.5f},
    };
}

TEST_P(Lv2ProcessingTest, RefusesRatesAboveTheEngineLimitWithoutAReport)
{
    ASSERT_NE(plugin(), nullptr);
    const StderrCapture stderrCapture;
    for (const double rate : {192001.0, 384000.0, 0.0, -48000.0, std::numeric_limits<double>::quiet_NaN()})
    {
        const HostedPlugin refused(plugin(), variant().numChannels, rate);
        EXPECT_FALSE(refused.instantiated()) << rate;
    }
    const HostedPlugin highest(plugin(), variant().numChannels, 192000.0);
    EXPECT_TRUE(highest.instantiated());
    EXPECT_EQ(stderrCapture.text(), "");
}

TEST_P(Lv2ProcessingTest, LatencyPortReportsFiveMillisecondsInSamples)
{
    ASSERT_NE(plugin(), nullptr);
    for (const auto& [rate, latency] : {std::pair{44100.0, 220.0f}, {48000.0, 240.0f}, {96000.0, 480.0f}})
    {
        HostedPlugin hosted(plugin(), variant().numChannels, rate);
        ASSERT_TRUE(hosted.instantiated());
        hosted.run(64);
        EXPECT_EQ(hosted.output(lv2::PortLayout::latency()), latency) << rate;
        EXPECT_EQ(EngineReference(variant().numChannels, static_cast<int>(rate), hosted.controls()).latencySamples(),
                  static_cast<int>(latency));
    }
}

// Needs the real signal path: with a silent engine both sides are trivially equal.
TEST_P(Lv2ProcessingTest, OutputIsBitIdenticalToTheEngineAtEveryHostBlockSize)
{
    ASSERT_NE(plugin(), nullptr);
    const int channels = variant().numChannels;
    const Audio input = programmeSignal(channels, kNumFrames, kSampleRate, 7);
    const Audio sideChain = sideChainBursts(channels, kNumFrames, kSampleRate);
    const lv2::PortLayout layout{channels};
    for (const std::size_t blockSize : {1, 31, 32, 33, 512, 4096})
    {
        SCOPED_TRACE("block size " + std::to_string(blockSize));
        HostedPlugin hosted(plugin(), channels, kSampleRate);
        ASSERT_TRUE(hosted.instantiated());
        EngineReference reference(channels, static_cast<int>(kSampleRate), hosted.controls());
        const std::vector<ControlChange> changes = externalSideChainSession(blockSize);

        const Audio expected = reference.process(input, &sideChain, blockSize, changes);
        const Audio output = hosted.process(input, &sideChain, blockSize, changes);
        EXPECT_TRUE(bitIdentical(output, expected));
        EXPECT_GT(peak(output), 0.01);
        for (int channel = 0; channel < channels; ++channel)
        {
            EXPECT_EQ(hosted.output(layout.gainReductionMeter(channel)), reference.gainReductionDb(channel));
            EXPECT_EQ(hosted.output(layout.inputMeter(channel)), reference.inputPeakDb(channel));
            EXPECT_EQ(hosted.output(layout.outputMeter(channel)), reference.outputPeakDb(channel));
        }
        EXPECT_EQ(hosted.output(layout.latency()), static_cast<float>(reference.latencySamples()));
    }
}

TEST_P(Lv2ProcessingTest, UnconnectedSideChainIsSilence)
{
    ASSERT_NE(plugin(), nullptr);
    const int channels = variant().numChannels;
    const Audio input = programmeSignal(channels, kNumFrames, kSampleRate, 3);
    const Audio silence(static_cast<std::size_t>(channels), std::vector<float>(kNumFrames));
    const std::vector<ControlChange> externalOn{{0, kParamExternalSideChain, 1.0f}};

    HostedPlugin unconnected(plugin(), channels, kSampleRate);
    HostedPlugin silent(plugin(), channels, kSampleRate);
    EngineReference reference(channels, static_cast<int>(kSampleRate), unconnected.controls());
    const Audio output = unconnected.process(input, nullptr, 512, externalOn);
    EXPECT_TRUE(bitIdentical(output, silent.process(input, &silence, 512, externalOn)));
    EXPECT_TRUE(bitIdentical(output, reference.process(input, nullptr, 512, externalOn)));
}

// Two new instances, one per list of control changes, get the same input; true
// when they give identical output without anything reported.
bool soundTheSameWithoutReport(const LilvPlugin* plugin, int numChannels, const std::vector<ControlChange>& left,
                               const std::vector<ControlChange>& right)
{
    const Audio input = programmeSignal(numChannels, kNumFrames, kSampleRate, 11);
    const StderrCapture stderrCapture;
    HostedPlugin leftInstance(plugin, numChannels, kSampleRate);
    HostedPlugin rightInstance(plugin, numChannels, kSampleRate);
    const bool same = bitIdentical(leftInstance.process(input, nullptr, 128, left),
                                   rightInstance.process(input, nullptr, 128, right));
    return same && stderrCapture.text().empty();
}

TEST_P(Lv2ProcessingTest, ControlValuesOutsideTheirRangeSelectTheNearestEnd)
{
    ASSERT_NE(plugin(), nullptr);
    const float infinity = std::numeric_limits<float>::infinity();
    EXPECT_TRUE(soundTheSameWithoutReport(
        plugin(), variant().numChannels,
        {{0, kParamInputGain, 30.0f}, {0, kParamOutputGain, -infinity}, {0, kParamRatio, 9.0f},
         {0, kParamSideChainDetectionMode, -3.0f}, {0, kParamGainReductionRange, 1e9f}, {0, kParamSideChainEqOn, 42.0f}},
        {{0, kParamInputGain, 0.0f}, {0, kParamOutputGain, -48.0f}, {0, kParamRatio, 4.0f},
         {0, kParamSideChainDetectionMode, 0.0f}, {0, kParamGainReductionRange, 100.0f}, {0, kParamSideChainEqOn, 1.0f}}));
}

TEST_P(Lv2ProcessingTest, ControlThatIsNotANumberKeepsTheLastValue)
{
    ASSERT_NE(plugin(), nullptr);
    const float notANumber = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(soundTheSameWithoutReport(plugin(), variant().numChannels,
                                          {{0, kParamInputGain, -12.0f}, {4, kParamInputGain, notANumber},
                                           {4, kParamRatio, notANumber}, {4, kParamEnableEffect, notANumber}},
                                          {{0, kParamInputGain, -12.0f}}));
}

TEST_P(Lv2ProcessingTest, ActivateStartsAgainLikeANewInstance)
{
    ASSERT_NE(plugin(), nullptr);
    const int channels = variant().numChannels;
    const Audio first = programmeSignal(channels, kNumFrames, kSampleRate, 1);
    const Audio second = programmeSignal(channels, kNumFrames, kSampleRate, 2);
    const std::vector<ControlChange> setting{{0, kParamRatio, 3.0f}, {0, kParamInputGain, -6.0f}};

    HostedPlugin reused(plugin(), channels, kSampleRate);
    reused.process(first, nullptr, 512, setting);
    reused.deactivate();
    reused.activate();
    HostedPlugin fresh(plugin(), channels, kSampleRate);
    fresh.process(Audio(static_cast<std::size_t>(channels), std::vector<float>(1)), nullptr, 1, setting);
    fresh.deactivate();
    fresh.activate();
    EXPECT_TRUE(bitIdentical(reused.process(second, nullptr, 512), fresh.process(second, nullptr, 512)));
}

TEST_P(Lv2ProcessingTest, UnconnectedAudioPortIsNotProcessedNorReported)
{
    ASSERT_NE(plugin(), nullptr);
    const StderrCapture stderrCapture;
    HostedPlugin hosted(plugin(), variant().numChannels, kSampleRate);
    const lv2::PortLayout layout{variant().numChannels};
    hosted.connect(layout.audioOutput(variant().numChannels - 1), nullptr);
    hosted.run(256);
    hosted.run(0);
    EXPECT_EQ(stderrCapture.text(), "");
}

INSTANTIATE_TEST_SUITE_P(Variants, Lv2ProcessingTest, ::testing::ValuesIn(lv2::kPluginVariants), variantName);

} // namespace

} // namespace corvex::testing
