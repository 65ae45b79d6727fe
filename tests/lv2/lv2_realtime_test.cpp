// The plug-in under automation: every control moving every block for ten
// seconds keeps the output finite, and run() neither allocates nor makes a
// system call.
#include "corvex_engine.h"
#include "plugins/lv2/port_layout.h"
#include "tests/lv2/audio.h"
#include "tests/lv2/bundle_fixture.h"
#include "tests/lv2/lilv_host.h"
#include "tests/lv2/stderr_capture.h"

#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <string>

namespace corvex::testing
{

namespace
{

using Lv2RealtimeTest = BundleTest;

constexpr double kSampleRate = 48000.0;
constexpr std::size_t kBlockSizes[] = {1, 31, 32, 33, 512, 4096, 64, 7, 256};

// The range of every control port, read once: lilv allocates while it answers.
struct ControlRanges
{
    std::array<float, kNumParameters> minimum{};
    std::array<float, kNumParameters> maximum{};
};

ControlRanges readControlRanges(const LilvPlugin* plugin)
{
    ControlRanges ranges;
    std::array<float, lv2::PortLayout{kCorvexMaxNumChannels}.numPorts()> minimum{};
    std::array<float, lv2::PortLayout{kCorvexMaxNumChannels}.numPorts()> maximum{};
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), nullptr);
    std::copy_n(minimum.begin(), kNumParameters, ranges.minimum.begin());
    std::copy_n(maximum.begin(), kNumParameters, ranges.maximum.begin());
    return ranges;
}

// Moves every control for the block with the given index: each sweeps its range
// at its own pace (switches and choices step through their values), and now and
// then a control goes beyond its range or is not a number.
void automate(HostedPlugin& hosted, const ControlRanges& ranges, std::size_t block)
{
    for (int id = 0; id < kNumParameters; ++id)
    {
        const std::size_t step = block + static_cast<std::size_t>(id) * 13;
        const double phase = std::fmod(static_cast<double>(step) * (0.003 + 0.0011 * id), 2.0);
        const double position = phase < 1.0 ? phase : 2.0 - phase; // triangle sweep 0..1..0
        float value = static_cast<float>(ranges.minimum[id] + position * (ranges.maximum[id] - ranges.minimum[id]));
        if (step % 97 == 0)
            value = ranges.maximum[id] + 1000.0f;
        else if (step % 89 == 0)
            value = -std::numeric_limits<float>::infinity();
        else if (step % 83 == 0)
            value = std::numeric_limits<float>::quiet_NaN();
        hosted.control(id) = value;
    }
}

// What came out of an automated run.
struct AutomatedOutput
{
    bool finite = true;
    float peak = 0.0f;
};

// Runs numFrames of audio with every control moving before every block of a
// changing size. Makes no allocation and no system call of its own.
AutomatedOutput runAutomated(HostedPlugin& hosted, const ControlRanges& ranges, std::size_t numFrames)
{
    AutomatedOutput result;
    std::size_t block = 0;
    for (std::size_t start = 0; start < numFrames; ++block)
    {
        const std::size_t count = std::min(kBlockSizes[block % std::size(kBlockSizes)], numFrames - start);
        automate(hosted, ranges, block);
        for (int channel = 0; channel < hosted.numChannels(); ++channel)
        {
            for (std::size_t frame = 0; frame < count; ++frame)
            {
                const double time = static_cast<double>(start + frame) / kSampleRate;
                hosted.audioInput(channel)[frame] = static_cast<float>(0.9 * std::sin(2100.0 * time + channel));
                hosted.sideChainInput(channel)[frame] = static_cast<float>(0.8 * std::sin(700.0 * time));
            }
        }
        hosted.run(count);
        for (int channel = 0; channel < hosted.numChannels(); ++channel)
        {
            for (const float sample : std::span(hosted.audioOutput(channel), count))
            {
                result.finite = result.finite && std::isfinite(sample);
                result.peak = std::max(result.peak, std::fabs(sample));
            }
        }
        start += count;
    }
    return result;
}

TEST_P(Lv2RealtimeTest, TenSecondsOfFullAutomationStayFiniteWithoutAllocationOrReport)
{
    ASSERT_NE(plugin(), nullptr);
    const ControlRanges ranges = readControlRanges(plugin());
    const StderrCapture stderrCapture;
    HostedPlugin hosted(plugin(), variant().numChannels, kSampleRate);
    ASSERT_TRUE(hosted.instantiated());
    hosted.connectSideChain(true);
    const AutomatedOutput output = runAutomated(hosted, ranges, static_cast<std::size_t>(10 * kSampleRate));
    EXPECT_TRUE(output.finite);
    EXPECT_GT(output.peak, 0.01f);
    EXPECT_EQ(hosted.allocationsInRun(), 0u);
    EXPECT_EQ(stderrCapture.text(), "");
}

// A child process forbids itself every system call but read, write and exit
// (strict secure computing mode), then runs the plug-in: any other system call
// kills it.
TEST_P(Lv2RealtimeTest, RunMakesNoSystemCall)
{
    ASSERT_NE(plugin(), nullptr);
    const ControlRanges ranges = readControlRanges(plugin());
    HostedPlugin hosted(plugin(), variant().numChannels, kSampleRate);
    ASSERT_TRUE(hosted.instantiated());
    hosted.connectSideChain(true);

    constexpr long kSecureModeUnavailable = 3;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        if (prctl(PR_SET_SECCOMP, SECCOMP_MODE_STRICT) != 0)
            syscall(SYS_exit, kSecureModeUnavailable);
        const AutomatedOutput output = runAutomated(hosted, ranges, static_cast<std::size_t>(kSampleRate));
        syscall(SYS_exit, output.finite ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_FALSE(WIFSIGNALED(status)) << "run() made a forbidden system call (signal " << WTERMSIG(status) << ")";
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kSecureModeUnavailable)
        GTEST_SKIP() << "strict secure computing mode is not available here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "output not finite";
}

INSTANTIATE_TEST_SUITE_P(Variants, Lv2RealtimeTest, ::testing::ValuesIn(lv2::kPluginVariants), variantName);

} // namespace

} // namespace corvex::testing
