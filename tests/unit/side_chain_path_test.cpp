#include "model/audio_block.h"
#include "model/fixed_filters.h"
#include "model/side_chain_path.h"
#include "model/smoothed_filters.h"
#include "tests/support/block_signals.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <random>

namespace corvex
{
namespace
{

// Stable equaliser sets chosen by hand (not designs): a high-pass, a boosting
// bell and a low-pass.
constexpr dsp::FirstOrderCoefficients kHighPass{0.9, -0.9, 1.0, -0.8};
constexpr dsp::SecondOrderCoefficients kBell{1.1, -1.6, 0.7, 1.0, -1.6, 0.8};
constexpr dsp::FirstOrderCoefficients kLowPass{0.3, 0.3, 1.0, -0.4};

using testing::fillNoise;
using testing::sameSamples;

std::unique_ptr<SideChainState> freshPath()
{
    auto state = std::make_unique<SideChainState>();
    resetSideChainPath(*state);
    return state;
}

// A snapshot with a pass-through equaliser (the "SC EQ On" off targets), no
// swap and no time-warp delay.
ParameterSnapshot plainSnapshot()
{
    ParameterSnapshot snapshot{};
    snapshot.sideChainHighPass = dsp::kFirstOrderPassThrough;
    snapshot.sideChainBell = dsp::kSecondOrderPassThrough;
    snapshot.sideChainLowPass = dsp::kFirstOrderPassThrough;
    snapshot.sideChainSwap = 0;
    snapshot.sideChainDelaySamples = 0;
    return snapshot;
}

ParameterSnapshot equalisedSnapshot()
{
    ParameterSnapshot snapshot = plainSnapshot();
    snapshot.sideChainHighPass = kHighPass;
    snapshot.sideChainBell = kBell;
    snapshot.sideChainLowPass = kLowPass;
    return snapshot;
}

TEST(SmoothedFilters, ResetClearsAndSetsPassThrough)
{
    SmoothedFirstOrderState first{0, {1.0, 2.0}, kHighPass};
    SmoothedSecondOrderState second{0, {{1.0, 2.0}, {3.0, 4.0}}, kBell};
    resetSmoothedFirstOrder(first);
    resetSmoothedSecondOrder(second);
    EXPECT_EQ(first.resetFlag, 1);
    EXPECT_EQ(first.channel[0], 0.0);
    EXPECT_EQ(first.channel[1], 0.0);
    EXPECT_EQ(first.current, dsp::kFirstOrderPassThrough);
    EXPECT_EQ(second.resetFlag, 1);
    EXPECT_EQ(second.channel[1].s2, 0.0);
    EXPECT_EQ(second.current, dsp::kSecondOrderPassThrough);
}

TEST(SmoothedFilters, CoefficientsGlideOncePerSampleForBothChannels)
{
    SmoothedFirstOrderState state{};
    resetSmoothedFirstOrder(state);
    AudioBlock in(2, 32);
    AudioBlock out(2, 32);
    std::mt19937 random(41);
    fillNoise(in, random);
    smoothedFirstOrder(in.read(), out.data(), 32, 2, state, dsp::kFirstOrderPassThrough, 0.0005);
    smoothedFirstOrder(in.read(), out.data(), 10, 2, state, kHighPass, 0.0005);

    double b0 = 1.0;
    double b1 = 0.0;
    double a1 = 0.0;
    for (int i = 0; i < 10; ++i)
    {
        b0 = b0 + (kHighPass.b0 - b0) * 0.0005;
        b1 = b1 + (kHighPass.b1 - b1) * 0.0005;
        a1 = a1 + (kHighPass.a1 - a1) * 0.0005;
    }
    EXPECT_EQ(state.current.b0, b0);
    EXPECT_EQ(state.current.b1, b1);
    EXPECT_EQ(state.current.a1, a1);
    EXPECT_EQ(state.current.a0, 1.0);
}

TEST(SideChainPath, FirstBlockAfterResetFiltersAtTheTargets)
{
    // The smoothed chain starting at its targets equals the same three filters
    // with constant coefficients.
    auto state = freshPath();
    const ParameterSnapshot snapshot = equalisedSnapshot();
    FixedFirstOrder highPass{0.0, kHighPass.b0, kHighPass.b1, 1.0, kHighPass.a1};
    FixedSecondOrder bell{0.0, 0.0, kBell.b0, kBell.b1, kBell.b2, 1.0, kBell.a1, kBell.a2};
    FixedFirstOrder lowPass{0.0, kLowPass.b0, kLowPass.b1, 1.0, kLowPass.a1};

    AudioBlock source(1, 32);
    AudioBlock listen(1, 32);
    AudioBlock detector(1, 32);
    std::mt19937 random(42);
    fillNoise(source, random);
    runSideChainPath(source.read(), listen.data(), detector.data(), 32, 1, snapshot, *state);

    double a[32];
    double b[32];
    double expected[32];
    fixedFirstOrder(source.channels[0], a, 32, highPass);
    fixedSecondOrder(a, b, 32, bell);
    fixedFirstOrder(b, expected, 32, lowPass);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(listen.channels[0][i], expected[i]) << i;
    EXPECT_EQ(state->bellState.current, kBell);
}

TEST(SideChainPath, EqualiserOffGivesTheSourceAfterTheGlide)
{
    std::mt19937 random(43);
    AudioBlock source(2, 32);
    AudioBlock listen(2, 32);
    AudioBlock detector(2, 32);
    const ParameterSnapshot off = plainSnapshot();

    // From a reset the pass-through targets hold from the first sample: exactly the source.
    auto fresh = freshPath();
    fillNoise(source, random);
    runSideChainPath(source.read(), listen.data(), detector.data(), 32, 2, off, *fresh);
    ASSERT_TRUE(sameSamples(listen, source));

    // Switched off after running, the coefficients glide back at 0.0005 per
    // sample (a time constant of 2000 samples). After 32 time constants the
    // remaining difference is far below anything audible; the glide itself
    // never overshoots.
    auto state = freshPath();
    fillNoise(source, random);
    runSideChainPath(source.read(), listen.data(), detector.data(), 32, 2, equalisedSnapshot(), *state);
    for (int block = 0; block < 2000; ++block)
        runSideChainPath(source.read(), listen.data(), detector.data(), 32, 2, off, *state);
    EXPECT_NEAR(state->bellState.current.b0, 1.0, 1e-12);
    EXPECT_NEAR(state->highPassState.current.b1, 0.0, 1e-12);
    EXPECT_NEAR(state->lowPassState.current.a1, 0.0, 1e-12);
    for (int block = 0; block < 20; ++block)
    {
        fillNoise(source, random);
        runSideChainPath(source.read(), listen.data(), detector.data(), 32, 2, off, *state);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 32; ++i)
                ASSERT_NEAR(listen.channels[c][i], source.channels[c][i], 1e-9) << c << " " << i;
    }
}

TEST(SideChainPath, ReversedSwapsStereoChannelsOnly)
{
    ParameterSnapshot snapshot = plainSnapshot();
    snapshot.sideChainSwap = 1;
    std::mt19937 random(44);

    auto stereo = freshPath();
    AudioBlock source(2, 32);
    AudioBlock listen(2, 32);
    AudioBlock detector(2, 32);
    fillNoise(source, random);
    runSideChainPath(source.read(), listen.data(), detector.data(), 32, 2, snapshot, *stereo);
    for (int i = 0; i < 32; ++i)
    {
        EXPECT_EQ(listen.channels[0][i], source.channels[0][i]);
        EXPECT_EQ(listen.channels[1][i], source.channels[1][i]);
        EXPECT_EQ(detector.channels[0][i], source.channels[1][i]);
        EXPECT_EQ(detector.channels[1][i], source.channels[0][i]);
    }

    auto mono = freshPath();
    AudioBlock monoSource(1, 32);
    AudioBlock monoListen(1, 32);
    AudioBlock monoDetector(1, 32);
    fillNoise(monoSource, random);
    runSideChainPath(monoSource.read(), monoListen.data(), monoDetector.data(), 32, 1, snapshot, *mono);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(monoDetector.channels[0][i], monoSource.channels[0][i]);
}

TEST(SideChainPath, DelayZeroPassesTheListenBlockInTheSameBlock)
{
    auto state = freshPath();
    const ParameterSnapshot snapshot = equalisedSnapshot();
    AudioBlock source(2, 32);
    AudioBlock listen(2, 32);
    AudioBlock detector(2, 32);
    std::mt19937 random(45);
    for (int block = 0; block < 10; ++block)
    {
        fillNoise(source, random);
        runSideChainPath(source.read(), listen.data(), detector.data(), 32, 2, snapshot, *state);
        ASSERT_TRUE(sameSamples(detector, listen));
    }
}

TEST(SideChainPath, TheDelayFollowsTheDetectorChannelAfterASwapChange)
{
    auto state = freshPath();
    ParameterSnapshot snapshot = plainSnapshot();
    snapshot.sideChainDelaySamples = 3;
    AudioBlock source(2, 8);
    AudioBlock listen(2, 8);
    AudioBlock detector(2, 8);
    for (int i = 0; i < 8; ++i)
    {
        source.channels[0][i] = 1.0 + i;
        source.channels[1][i] = -1.0 - i;
    }
    runSideChainPath(source.read(), listen.data(), detector.data(), 8, 2, snapshot, *state);
    const double zerosThenLate[8] = {0.0, 0.0, 0.0, 1.0, 2.0, 3.0, 4.0, 5.0};
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(detector.channels[0][i], zerosThenLate[i]);
        EXPECT_EQ(detector.channels[1][i], -zerosThenLate[i]);
    }

    // Swapped: each detector channel first plays out its own delayed history,
    // then the other listen channel, three samples late.
    snapshot.sideChainSwap = 1;
    for (int i = 0; i < 8; ++i)
    {
        source.channels[0][i] = 10.0 + i;
        source.channels[1][i] = -10.0 - i;
    }
    runSideChainPath(source.read(), listen.data(), detector.data(), 8, 2, snapshot, *state);
    const double historyThenSwapped[8] = {6.0, 7.0, 8.0, -10.0, -11.0, -12.0, -13.0, -14.0};
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(detector.channels[0][i], historyThenSwapped[i]);
        EXPECT_EQ(detector.channels[1][i], -historyThenSwapped[i]);
    }
}

TEST(SideChainPath, AnyDelayWrapsInsideTheWarpBuffer)
{
    // 4096 + 3 acts as 3 and the largest value as 4095; the write position
    // stays inside the buffer.
    const std::uint32_t delays[] = {4096u + 3u, std::numeric_limits<std::uint32_t>::max()};
    const std::uint32_t equivalents[] = {3u, 4095u};
    for (int k = 0; k < 2; ++k)
    {
        auto wrapped = freshPath();
        auto reference = freshPath();
        ParameterSnapshot wrappedSnapshot = plainSnapshot();
        ParameterSnapshot referenceSnapshot = plainSnapshot();
        wrappedSnapshot.sideChainDelaySamples = delays[k];
        referenceSnapshot.sideChainDelaySamples = equivalents[k];
        AudioBlock source(2, 32);
        AudioBlock listen(2, 32);
        AudioBlock detector(2, 32);
        AudioBlock expected(2, 32);
        std::mt19937 random(46);
        for (int block = 0; block < 300; ++block)
        {
            fillNoise(source, random);
            runSideChainPath(source.read(), listen.data(), detector.data(), 32, 2, wrappedSnapshot, *wrapped);
            runSideChainPath(source.read(), listen.data(), expected.data(), 32, 2, referenceSnapshot, *reference);
            ASSERT_TRUE(sameSamples(detector, expected));
            ASSERT_LT(wrapped->warpWritePosition, 4096u);
        }
    }
}

} // namespace
} // namespace corvex
