// What the plug-in asks of its engine while a host runs it: process calls of at
// most kCorvexMaxBufferSize frames covering each host block, and a parameter
// change only for a control whose port value changed.
#include "corvex_engine.h"
#include "plugins/lv2/port_layout.h"
#include "tests/lv2/bundle_fixture.h"
#include "tests/lv2/engine_call_recorder.h"
#include "tests/lv2/lilv_host.h"

#include <array>
#include <limits>
#include <string>

namespace corvex::testing
{

namespace
{

using Lv2EngineCallsTest = BundleTest;

constexpr double kSampleRate = 48000.0;

TEST_P(Lv2EngineCallsTest, HostBlocksAreSplitIntoCallsOfAtMost32Frames)
{
    ASSERT_NE(plugin(), nullptr);
    HostedPlugin hosted(plugin(), variant().numChannels, kSampleRate);
    ASSERT_TRUE(hosted.instantiated());
    const EngineCalls& calls = lastCreatedEngineCalls();
    for (const std::size_t frames : {1, 31, 32, 33, 64, 100, 512, 4095, 4096})
    {
        SCOPED_TRACE("host block of " + std::to_string(frames));
        const EngineCalls before = calls;
        hosted.run(frames);
        EXPECT_EQ(calls.processCalls - before.processCalls, (frames + 31) / 32);
        EXPECT_EQ(calls.processedFrames - before.processedFrames, frames);
    }
    EXPECT_EQ(calls.smallestProcessCall, 1);
    EXPECT_EQ(calls.largestProcessCall, kCorvexMaxBufferSize);

    const EngineCalls before = calls;
    hosted.run(0);
    EXPECT_EQ(calls.processCalls, before.processCalls);
}

TEST_P(Lv2EngineCallsTest, OnlyChangedControlsReachTheEngine)
{
    ASSERT_NE(plugin(), nullptr);
    HostedPlugin hosted(plugin(), variant().numChannels, kSampleRate);
    ASSERT_TRUE(hosted.instantiated());
    const EngineCalls& calls = lastCreatedEngineCalls();
    std::array<int, kNumParameters> expected{};

    // The first run hands every control over, whatever its value.
    hosted.run(64);
    expected.fill(1);
    EXPECT_EQ(calls.parameterChanges, expected);

    hosted.run(64);
    EXPECT_EQ(calls.parameterChanges, expected);

    hosted.control(kParamRatio) = 3.0f;
    hosted.control(kParamInputGain) = -6.0f;
    hosted.control(kParamAttackTime) = hosted.control(kParamAttackTime); // written, not changed
    hosted.run(64);
    ++expected[kParamRatio];
    ++expected[kParamInputGain];
    EXPECT_EQ(calls.parameterChanges, expected);

    // A value that is not a number is ignored until the port holds a number again.
    hosted.control(kParamDryWet) = std::numeric_limits<float>::quiet_NaN();
    hosted.run(64);
    hosted.run(64);
    EXPECT_EQ(calls.parameterChanges, expected);
    hosted.control(kParamDryWet) = 50.0f;
    hosted.run(64);
    ++expected[kParamDryWet];
    EXPECT_EQ(calls.parameterChanges, expected);
}

TEST_P(Lv2EngineCallsTest, UnconnectedAudioPortMeansNoProcessCall)
{
    ASSERT_NE(plugin(), nullptr);
    HostedPlugin hosted(plugin(), variant().numChannels, kSampleRate);
    ASSERT_TRUE(hosted.instantiated());
    const lv2::PortLayout layout{variant().numChannels};
    hosted.connect(layout.audioInput(variant().numChannels - 1), nullptr);
    hosted.run(256);
    EXPECT_EQ(lastCreatedEngineCalls().processCalls, 0u);
    EXPECT_EQ(hosted.output(lv2::PortLayout::latency()), 240.0f);
}

INSTANTIATE_TEST_SUITE_P(Variants, Lv2EngineCallsTest, ::testing::ValuesIn(lv2::kPluginVariants), variantName);

} // namespace

} // namespace corvex::testing
