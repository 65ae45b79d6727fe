#include "model/audio_block.h"
#include "model/crossfade_mixer.h"
#include "model/delay_line.h"
#include "model/gain_matrix_stage.h"
#include "model/gain_ramp.h"
#include "tests/support/block_signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace corvex
{
namespace
{

using testing::fillNoise;
using testing::sameSamples;

// ---------------------------------------------------------------- gain ramp

TEST(GainRamp, ResetSetsTheDocumentedStepFactors)
{
    GainRampState ramp{};
    resetGainRamp(ramp);
    EXPECT_EQ(ramp.resetFlag, 1);
    EXPECT_EQ(ramp.currentGain, 1.0);
    EXPECT_EQ(ramp.upFactor, 1.0001444160896162);
    EXPECT_EQ(ramp.downFactor, 0.9998556047633792);
    EXPECT_EQ(ramp.snapRate, 0.0002888113252332833);
    // 4800 steps double the gain.
    EXPECT_NEAR(std::pow(ramp.upFactor, 4800.0), 2.0, 1e-12);
}

TEST(GainRamp, FirstBlockAfterResetAppliesTheTargetExactly)
{
    GainRampState ramp{};
    resetGainRamp(ramp);
    AudioBlock in(1, 32);
    AudioBlock out(1, 32);
    std::mt19937 random(1);
    fillNoise(in, random);

    gainRamp(in.channels[0], out.channels[0], 32, ramp, 3.0);

    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(out.channels[0][i], in.channels[0][i] * 3.0) << i;
    EXPECT_EQ(ramp.currentGain, 3.0);
    EXPECT_EQ(ramp.resetFlag, 0);
}

// A ramp standing at 1.0 after its first block, driven by a block of ones so
// that each output sample is the gain itself.
class GainRampFromUnity : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetGainRamp(ramp);
        for (double& x : ones)
            x = 1.0;
        run(1.0);
    }

    void run(double target) { gainRamp(ones, out, 32, ramp, target); }

    GainRampState ramp{};
    double ones[32];
    double out[32];
};

TEST_F(GainRampFromUnity, RisesByTheStepFactorPerSampleAndSnapsInTheBlockThatBeginsWithinTolerance)
{
    // The snap tolerance for 32 samples is 2^(64/4800) - 1 of the target: the
    // ramp from 1.0 snaps onto 2.0 in the first block that begins at or after
    // sample k with 2^(k/4800) > 2 (2 - 2^(64/4800)), that is k > 4735.4: the
    // block beginning at sample 4736, the 149th ramp block (index 148).
    constexpr int kSnapBlock = 148;
    double expected = 1.0;
    for (int block = 0; block < kSnapBlock; ++block)
    {
        run(2.0);
        for (int i = 0; i < 32; ++i)
        {
            expected *= 1.0001444160896162;
            ASSERT_EQ(out[i], expected) << "block " << block << " sample " << i;
        }
        ASSERT_LT(expected, 2.0);
    }
    EXPECT_EQ(ramp.currentGain, expected);

    run(2.0);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(out[i], 2.0) << i;
    EXPECT_EQ(ramp.currentGain, 2.0);
}

TEST_F(GainRampFromUnity, ReversesAtTheNextBlockWhenTheTargetChangesDirection)
{
    for (int block = 0; block < 10; ++block)
        run(2.0);
    const double peak = ramp.currentGain;
    ASSERT_GT(peak, 1.04);

    run(0.5);

    double expected = peak;
    for (int i = 0; i < 32; ++i)
    {
        expected *= 0.9998556047633792;
        EXPECT_EQ(out[i], expected) << i;
    }
    EXPECT_LT(out[0], peak);
}

TEST_F(GainRampFromUnity, AfterAResetTheNextBlockJumpsToANewTarget)
{
    run(4.0); // ramping
    ASSERT_LT(out[31], 1.01);

    resetGainRamp(ramp);
    run(4.0);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(out[i], 4.0) << i;
}

// --------------------------------------------------------------- delay line

TEST(DelayLine, ZeroPassesTheBlockThrough)
{
    DelayLineState delay{};
    resetDelayLine(delay);
    AudioBlock in(2, 32);
    AudioBlock out(2, 32);
    std::mt19937 random(2);
    for (int block = 0; block < 40; ++block)
    {
        fillNoise(in, random);
        delayLine(in.read(), out.data(), 32, 2, delay, 0);
        ASSERT_TRUE(sameSamples(out, in));
    }
}

TEST(DelayLine, FiveSamplesGiveZerosAfterResetThenTheSourceFiveLate)
{
    DelayLineState delay{};
    resetDelayLine(delay);
    constexpr int kSamples = 7;
    AudioBlock in(2, kSamples);
    AudioBlock out(2, kSamples);
    double history[2][70];
    int written = 0;
    for (int block = 0; block < 10; ++block)
    {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kSamples; ++i)
                history[c][written + i] = in.channels[c][i] = (c == 0 ? 1.0 : -1.0) * (written + i + 1);
        delayLine(in.read(), out.data(), kSamples, 2, delay, 5);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kSamples; ++i)
            {
                const int t = written + i;
                const double expected = t < 5 ? 0.0 : history[c][t - 5];
                ASSERT_EQ(out.channels[c][i], expected) << "channel " << c << " sample " << t;
            }
        written += kSamples;
    }
}

TEST(DelayLine, DelaysBeyondTheBufferWrapWithoutLeavingIt)
{
    // The state sits between guard areas; no delay may touch them.
    struct Guarded
    {
        double before[64];
        DelayLineState delay;
        double after[64];
    };
    constexpr double kGuard = 12345.0;
    const std::uint32_t delays[] = {1024u + 5u, 1u << 31, std::numeric_limits<std::uint32_t>::max()};
    const std::uint32_t equivalents[] = {5u, 0u, 1023u};

    for (int k = 0; k < 3; ++k)
    {
        Guarded guarded{};
        Guarded reference{};
        for (int g = 0; g < 64; ++g)
            guarded.before[g] = guarded.after[g] = kGuard;
        resetDelayLine(guarded.delay);
        resetDelayLine(reference.delay);
        AudioBlock in(2, 32);
        AudioBlock out(2, 32);
        AudioBlock expected(2, 32);
        std::mt19937 random(3);
        for (int block = 0; block < 100; ++block)
        {
            fillNoise(in, random);
            delayLine(in.read(), out.data(), 32, 2, guarded.delay, delays[k]);
            delayLine(in.read(), expected.data(), 32, 2, reference.delay, equivalents[k]);
            ASSERT_TRUE(sameSamples(out, expected)) << "delay " << delays[k];
            ASSERT_GE(guarded.delay.writePosition, 0);
            ASSERT_LT(guarded.delay.writePosition, 1024);
        }
        for (int g = 0; g < 64; ++g)
        {
            EXPECT_EQ(guarded.before[g], kGuard);
            EXPECT_EQ(guarded.after[g], kGuard);
        }
    }
}

// ---------------------------------------------------------------- matrix

GainMatrix midSideEncoder(double g)
{
    return GainMatrix{g / 2.0, g / 2.0, g / 2.0, -g / 2.0, g, kGainMatrixSmoothing};
}

GainMatrix midSideDecoder(double g)
{
    return GainMatrix{1.0 / g, 1.0 / g, 1.0 / g, -1.0 / g, 1.0 / g, kGainMatrixSmoothing};
}

TEST(GainMatrixStage, FirstBlockAfterResetAppliesThePlainStereoGain)
{
    GainMatrixState state{};
    resetGainMatrix(state);
    const GainMatrix gain{0.7, 0.0, 0.0, 0.7, 0.7, kGainMatrixSmoothing};
    AudioBlock in(2, 32);
    AudioBlock out(2, 32);
    std::mt19937 random(4);
    fillNoise(in, random);
    gainMatrixStage(in.read(), out.data(), 32, 2, state, gain);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(out.channels[c][i], 0.7 * in.channels[c][i] + 0.0 * in.channels[1 - c][i]);
}

TEST(GainMatrixStage, MidSideEncodeThenDecodeReturnsTheInputOnceSettled)
{
    GainMatrixState encoderState{};
    GainMatrixState decoderState{};
    resetGainMatrix(encoderState);
    resetGainMatrix(decoderState);
    AudioBlock in(2, 32);
    AudioBlock midSide(2, 32);
    AudioBlock out(2, 32);
    std::mt19937 random(5);

    // Start from a plain gain, then switch to the coder pair and let it glide.
    const GainMatrix plain{1.0, 0.0, 0.0, 1.0, 1.0, kGainMatrixSmoothing};
    fillNoise(in, random);
    gainMatrixStage(in.read(), midSide.data(), 32, 2, encoderState, plain);
    gainMatrixStage(midSide.read(), out.data(), 32, 2, decoderState, plain);

    const double g = 0.8;
    for (int block = 0; block < 1500; ++block)
    {
        fillNoise(in, random);
        gainMatrixStage(in.read(), midSide.data(), 32, 2, encoderState, midSideEncoder(g));
        gainMatrixStage(midSide.read(), out.data(), 32, 2, decoderState, midSideDecoder(g));
    }
    for (int i = 0; i < 32; ++i)
    {
        const double left = in.channels[0][i];
        const double right = in.channels[1][i];
        EXPECT_NEAR(midSide.channels[0][i], g * (left + right) / 2.0, 1e-12);
        EXPECT_NEAR(midSide.channels[1][i], g * (left - right) / 2.0, 1e-12);
        EXPECT_NEAR(out.channels[0][i], left, 1e-12);
        EXPECT_NEAR(out.channels[1][i], right, 1e-12);
    }
}

TEST(GainMatrixStage, OneChannelSmoothsTheMonoGainInTheSlotOfS0)
{
    GainMatrixState state{};
    resetGainMatrix(state);
    const double smoothing = kGainMatrixSmoothing;
    GainMatrix matrix{0.25, 0.0, 0.0, 0.25, 0.5, smoothing};
    double in[32];
    double out[32];
    for (int i = 0; i < 32; ++i)
        in[i] = 1.0 + i;
    const double* source[] = {in};
    double* destination[] = {out};

    gainMatrixStage(source, destination, 32, 1, state, matrix);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(out[i], 0.5 * in[i]);
    EXPECT_EQ(state.s0, 0.5);

    matrix.mono = 1.0;
    gainMatrixStage(source, destination, 1, 1, state, matrix);
    const double glided = 0.5 + (1.0 - 0.5) * smoothing;
    EXPECT_EQ(out[0], glided * in[0]);
    EXPECT_EQ(state.s0, glided);

    // A stereo block continues c0 from the value the mono gain left in s0.
    AudioBlock stereoIn(2, 1);
    AudioBlock stereoOut(2, 1);
    stereoIn.channels[0][0] = 1.0;
    stereoIn.channels[1][0] = 0.0;
    gainMatrixStage(stereoIn.read(), stereoOut.data(), 1, 2, state, matrix);
    EXPECT_EQ(stereoOut.channels[0][0], glided + (0.25 - glided) * smoothing);
}

// ------------------------------------------------------------ crossfade mixer

TEST(CrossfadeMixer, FirstSampleFromZeroTowardsOneTakesAQuarterPercentOfFirst)
{
    CrossfadeState state{};
    resetCrossfade(state);
    AudioBlock first(2, 32);
    AudioBlock second(2, 32);
    AudioBlock out(2, 32);
    std::mt19937 random(6);
    fillNoise(first, random);
    fillNoise(second, random);

    crossfadeMixer(first.read(), second.read(), out.data(), 32, 2, state, 0.0, 0.0025); // jumps to 0.0
    ASSERT_EQ(state.mix, 0.0);
    ASSERT_TRUE(sameSamples(out, second));

    crossfadeMixer(first.read(), second.read(), out.data(), 32, 2, state, 1.0, 0.0025);
    for (int c = 0; c < 2; ++c)
    {
        const double f = first.channels[c][0];
        const double s = second.channels[c][0];
        EXPECT_EQ(out.channels[c][0], (1.0 - 0.0025) * s + 0.0025 * f);
        EXPECT_DOUBLE_EQ(out.channels[c][0], 0.9975 * s + 0.0025 * f);
    }
    double mix = 0.0;
    for (int i = 0; i < 32; ++i)
        mix = mix + (1.0 - mix) * 0.0025;
    EXPECT_EQ(state.mix, mix);
}

TEST(CrossfadeMixer, FirstBlockAfterResetMixesAtTheTarget)
{
    CrossfadeState state{};
    resetCrossfade(state);
    EXPECT_EQ(state.mix, 1.0);
    AudioBlock first(1, 32);
    AudioBlock second(1, 32);
    AudioBlock out(1, 32);
    std::mt19937 random(7);
    fillNoise(first, random);
    fillNoise(second, random);
    crossfadeMixer(first.read(), second.read(), out.data(), 32, 1, state, 0.3, 0.0025);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(out.channels[0][i], (1.0 - 0.3) * second.channels[0][i] + 0.3 * first.channels[0][i]);
}

} // namespace
} // namespace corvex
