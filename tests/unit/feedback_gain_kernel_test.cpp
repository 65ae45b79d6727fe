#include "model/audio_block.h"
#include "model/feedback_gain_kernel.h"
#include "model/model_state.h"
#include "model/output_stage_constants.h"
#include "model/sample_rate_setup.h"
#include "model/soft_clip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace corvex
{
namespace
{

const double kNormalKneeWidth = std::pow(10.0, -96.0 / 20.0);
const double kAllKneeWidth = std::pow(10.0, 3.0 / 20.0);
const double kRestingGain = std::exp(-kNormalKneeWidth);

// A snapshot filled by hand with plausible dynamics values (a normal ratio, a
// threshold of 0.01 on every channel), output-stage constants for the rate, and
// the given hold window. The detector filters are not in the snapshot: they stay
// at the reset's pass-through unless a test loads the designed ones.
ParameterSnapshot kernelSnapshot(std::int32_t windowSamples, double sampleRate = 48000.0)
{
    ParameterSnapshot snapshot{};
    snapshot.ratioFactor = 1.0;
    snapshot.ballisticsCoefficients[0] = 0.3;
    snapshot.ballisticsCoefficients[1] = 0.002;
    snapshot.ballisticsCoefficients[2] = 0.01;
    snapshot.ballisticsCoefficients[3] = 0.0002;
    snapshot.detectorGains[0] = 0.01;
    snapshot.detectorGains[1] = 0.01;
    snapshot.detectorGains[2] = 0.01;
    snapshot.ratioAllOffset = 0.0;
    snapshot.ballisticsBlend = 0.5;
    snapshot.ratioAllGain = kNormalKneeWidth;
    snapshot.kernelOffset = -1.0;
    snapshot.detectionLinked = 0;
    snapshot.warpLeadSamples = windowSamples;
    snapshot.outputStage = computeOutputStageConstants(sampleRate);
    return snapshot;
}

// "All" ratio: envelopes relax to -5.0 and the knee is 3 dB wide.
void selectRatioAll(ParameterSnapshot& snapshot)
{
    snapshot.ratioAllOffset = -5.0;
    snapshot.ratioAllGain = kAllKneeWidth;
}

std::unique_ptr<KernelState> freshKernel()
{
    auto state = std::make_unique<KernelState>();
    resetFeedbackGainKernel(*state);
    return state;
}

// Loads the detector filters that the set-up designs for 48 kHz.
void loadDesignedFilters(KernelState& state)
{
    auto model = std::make_unique<ModelState>();
    resetModelState(*model);
    prepareFixedFilters(*model, 48000.0);
    for (int c = 0; c < 2; ++c)
        state.detector[c] = model->kernel.detector[c];
}

// Runs the mono kernel over a whole detector signal in blocks of up to 32.
std::vector<double> runMono(KernelState& state, const ParameterSnapshot& snapshot, const std::vector<double>& detector,
                            int blockSize = 32)
{
    std::vector<double> gains(detector.size());
    for (std::size_t start = 0; start < detector.size(); start += static_cast<std::size_t>(blockSize))
    {
        const auto n = static_cast<std::int32_t>(std::min<std::size_t>(blockSize, detector.size() - start));
        feedbackGainKernel(detector.data() + start, gains.data() + start, n, state, snapshot);
    }
    return gains;
}

// Runs the stereo kernel over two detector signals of equal length.
void runStereo(KernelState& state, const ParameterSnapshot& snapshot, const std::vector<double> (&detector)[2],
               std::vector<double> (&gains)[2])
{
    const std::size_t length = detector[0].size();
    gains[0].assign(length, 0.0);
    gains[1].assign(length, 0.0);
    for (std::size_t start = 0; start < length; start += 32)
    {
        const auto n = static_cast<std::int32_t>(std::min<std::size_t>(32, length - start));
        const double* in[2] = {detector[0].data() + start, detector[1].data() + start};
        double* out[2] = {gains[0].data() + start, gains[1].data() + start};
        feedbackGainKernel(in, out, n, state, snapshot);
    }
}

std::vector<double> noise(std::size_t length, double amplitude, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> sample(-amplitude, amplitude);
    std::vector<double> signal(length);
    for (double& x : signal)
        x = sample(random);
    return signal;
}

// Silence with one sample of 0.5 at the given index.
std::vector<double> impulseAt(std::size_t index, std::size_t length)
{
    std::vector<double> signal(length, 0.0);
    signal[index] = 0.5;
    return signal;
}

TEST(FeedbackGainKernel, ResetSetsTheDocumentedInitialState)
{
    auto state = std::make_unique<KernelState>();
    state->lastGain[1] = 0.5;
    state->envSlow[0] = 3.0;
    state->knee[1].kneeWidth = 2.0;
    state->detector[0].lowPass.b1 = 0.7;
    state->detector[1].clampCharge = -0.2;
    resetFeedbackGainKernel(*state);
    EXPECT_EQ(state->resetFlag, 1);
    EXPECT_EQ(state->ratioBlend, 0.0);
    for (int c = 0; c < 2; ++c)
    {
        EXPECT_EQ(state->lastGain[c], 1.0);
        EXPECT_EQ(state->envFast[c], 0.0);
        EXPECT_EQ(state->envSlow[c], 0.0);
        EXPECT_EQ(state->knee[c].resetFlag, 1);
        EXPECT_EQ(state->knee[c].kneeWidth, 0.0);
        EXPECT_EQ(state->knee[c].kneeOffset, 0.0);
        EXPECT_EQ(state->detector[c].lowPass.b0, 1.0);
        EXPECT_EQ(state->detector[c].lowPass.b1, 0.0);
        EXPECT_EQ(state->detector[c].equaliser.a0, 1.0);
        EXPECT_EQ(state->detector[c].clampCharge, 0.0);
        EXPECT_EQ(state->hold[c].seedFlag, 1);
        EXPECT_EQ(state->hold[c].sampleCounter, 960u);
        EXPECT_EQ(state->hold[c].count, 0);
    }
}

TEST(FeedbackGainKernel, SilenceRestsJustBelowUnity)
{
    // d = -0.0007 rectifies to 0.000686, below the threshold: nothing charges,
    // z = 2s and h = s = 10^(-96/20), so the gain is e^(-10^(-96/20)).
    EXPECT_NEAR(kRestingGain, 0.99998415, 5e-9);
    for (bool designedFilters : {false, true})
    {
        auto mono = freshKernel();
        auto stereo = freshKernel();
        if (designedFilters)
        {
            loadDesignedFilters(*mono);
            loadDesignedFilters(*stereo);
        }
        const ParameterSnapshot snapshot = kernelSnapshot(240);
        const std::vector<double> silence(320, 0.0);
        for (double g : runMono(*mono, snapshot, silence))
            ASSERT_EQ(g, kRestingGain);
        std::vector<double> gains[2];
        runStereo(*stereo, snapshot, {silence, silence}, gains);
        for (int c = 0; c < 2; ++c)
            for (double g : gains[c])
                ASSERT_EQ(g, kRestingGain);

        // The mono variant works on the channel 0 copies only.
        EXPECT_EQ(mono->lastGain[1], 1.0);
        EXPECT_EQ(mono->knee[1].resetFlag, 1);
        EXPECT_EQ(mono->hold[1].sampleCounter, 960u);
    }
}

// Three samples worked through the formulas by hand, with pass-through detector
// filters and no hold: a positive sample that saturates and charges, a negative
// one below the clamp floor (rectified at 0.98, charging the clamp) and a silent
// one that the clamp charge shifts.
TEST(FeedbackGainKernel, ThreeSamplesWorkedThroughTheFormulas)
{
    for (bool ratioAll : {false, true})
    {
        ParameterSnapshot snapshot = kernelSnapshot(1);
        snapshot.ratioFactor = 1.5;
        if (ratioAll)
            selectRatioAll(snapshot);
        const OutputStageConstants& k = snapshot.outputStage;
        const double* C = snapshot.ballisticsCoefficients;
        const double T = snapshot.detectorGains[0];
        const double base = snapshot.ratioAllOffset;
        const double s = snapshot.ratioAllGain;
        const double blend = 0.5; // the target, reached at the reset and kept

        auto state = freshKernel();
        const std::vector<double> detector = {0.5, -0.8, 0.0};
        const std::vector<double> gains = runMono(*state, snapshot, detector);

        // Sample 0: lastGain 1.0, clamp charge 0.0, the clamp floor not reached.
        const double u0 = k.firstCircuitInputScale * (1.0 * 0.5) + 0.0;
        const double q0 = softClip(softClip(u0, k.firstCircuitClip1), k.firstCircuitClip2);
        const double d0 = (q0 * k.firstCircuitOutputScale - 0.0007) * 1.5;
        const double e0 = std::max(d0 - 0.0 - 0.0, T) - T;
        const double fast0 = (0.0 - base) * (1.0 - C[1]) + C[0] * e0 + base;
        const double slow0 = (0.0 - base) * (1.0 - C[3]) + C[2] * e0 + base;
        const double z0 = fast0 * blend + slow0 + (1.0 - -1.0) * s;
        const double h0 = z0 >= 2.0 * s ? z0 - s : std::max(z0, 0.0) * std::max(z0, 0.0) * 0.25 / s;
        EXPECT_EQ(gains[0], std::exp(-h0));

        // Sample 1: below the floor; the negative half passes unsaturated.
        const double u1 = k.firstCircuitInputScale * (gains[0] * -0.8) + 0.0;
        ASSERT_LT(u1, k.firstCircuitFloor);
        const double charge1 = 0.0 + (k.firstCircuitFeedbackGain * (u1 - k.firstCircuitFloor) - 0.0) *
                                         k.firstCircuitFeedbackSmoothing;
        const double d1 = (k.firstCircuitFloor * k.firstCircuitOutputScale - 0.0007) * 1.5;
        const double rect1 = -0.98 * d1;
        const double e1 = std::max(rect1 - fast0 - slow0, T) - T;
        const double fast1 = (fast0 - base) * (1.0 - C[1]) + C[0] * e1 + base;
        const double slow1 = (slow0 - base) * (1.0 - C[3]) + C[2] * e1 + base;
        const double z1 = fast1 * blend + slow1 + 2.0 * s;
        const double h1 = z1 >= 2.0 * s ? z1 - s : std::max(z1, 0.0) * std::max(z1, 0.0) * 0.25 / s;
        EXPECT_EQ(gains[1], std::exp(-h1));

        // Sample 2: silence, shifted by the clamp charge.
        const double u2 = k.firstCircuitInputScale * (gains[1] * 0.0) + charge1;
        const double d2 = (u2 * k.firstCircuitOutputScale - 0.0007) * 1.5;
        const double rect2 = std::max(-0.98 * d2, d2);
        const double e2 = std::max(rect2 - fast1 - slow1, T) - T;
        const double fast2 = (fast1 - base) * (1.0 - C[1]) + C[0] * e2 + base;
        const double slow2 = (slow1 - base) * (1.0 - C[3]) + C[2] * e2 + base;
        const double z2 = fast2 * blend + slow2 + 2.0 * s;
        const double h2 = z2 >= 2.0 * s ? z2 - s : std::max(z2, 0.0) * std::max(z2, 0.0) * 0.25 / s;
        EXPECT_EQ(gains[2], std::exp(-h2));
        EXPECT_EQ(state->detector[0].clampCharge,
                  charge1 + (k.firstCircuitFeedbackGain * 0.0 - charge1) * k.firstCircuitFeedbackSmoothing);

        // The worked example exercises what it claims.
        EXPECT_GT(e0, 0.0);
        EXPECT_GT(e1, 0.0);
        EXPECT_LT(gains[0], 1.0);
    }
}

TEST(FeedbackGainKernel, BelowTwiceTheKneeWidthTheReductionIsQuadratic)
{
    // In "All" the uncharged envelopes relax from 0.0 towards -5.0 at once, so
    // z falls below 2s: h = z^2 / (4s).
    ParameterSnapshot snapshot = kernelSnapshot(1);
    selectRatioAll(snapshot);
    const double* C = snapshot.ballisticsCoefficients;
    const double s = kAllKneeWidth;
    auto state = freshKernel();
    const std::vector<double> gains = runMono(*state, snapshot, std::vector<double>(1, 0.0));

    const double fast = (0.0 - -5.0) * (1.0 - C[1]) + C[0] * 0.0 + -5.0;
    const double slow = (0.0 - -5.0) * (1.0 - C[3]) + C[2] * 0.0 + -5.0;
    const double z = fast * 0.5 + slow + (1.0 - -1.0) * s;
    ASSERT_LT(z, 2.0 * s);
    ASSERT_GT(z, 0.0);
    EXPECT_EQ(gains[0], std::exp(-(z * z * 0.25 / s)));
}

TEST(FeedbackGainKernel, WindowOfOneFollowsTheReductionAtOnce)
{
    auto state = freshKernel();
    const std::vector<double> detector = impulseAt(100, 600);
    const std::vector<double> gains = runMono(*state, kernelSnapshot(1), detector);
    EXPECT_EQ(gains[99], kRestingGain);
    EXPECT_LT(gains[100], 0.99);
    for (std::size_t i = 101; i < gains.size(); ++i)
        ASSERT_GT(gains[i], gains[i - 1]) << i;
    EXPECT_EQ(state->hold[0].count, 1);
}

TEST(FeedbackGainKernel, WindowOf480HoldsAPeakFor480Samples)
{
    // After the impulse the detector is silent, so the feedback multiplies zero
    // and the reduction sequence is the same whatever the window: the run with
    // W = 1 shows it unheld.
    constexpr std::size_t kPeak = 100;
    const std::vector<double> detector = impulseAt(kPeak, 1400);
    auto unheldState = freshKernel();
    auto heldState = freshKernel();
    const std::vector<double> unheld = runMono(*unheldState, kernelSnapshot(1), detector);
    const std::vector<double> held = runMono(*heldState, kernelSnapshot(480), detector);

    for (std::size_t i = 0; i < kPeak; ++i)
        ASSERT_EQ(held[i], unheld[i]) << i;
    for (std::size_t i = kPeak; i < kPeak + 480; ++i)
        ASSERT_EQ(held[i], unheld[kPeak]) << i;
    EXPECT_GT(held[kPeak + 480], held[kPeak + 479]);
    // Then it follows the falling reduction, 479 samples late.
    for (std::size_t i = kPeak + 480; i < held.size(); ++i)
        ASSERT_EQ(held[i], unheld[i - 479]) << i;
}

TEST(FeedbackGainKernel, LinkedChannelsGiveIdenticalGainsWhateverTheirInputs)
{
    auto state = freshKernel();
    loadDesignedFilters(*state);
    ParameterSnapshot snapshot = kernelSnapshot(96);
    snapshot.detectionLinked = 1;
    const std::vector<double> detector[2] = {noise(9600, 1.0, 21), noise(9600, 0.2, 22)};
    std::vector<double> gains[2];
    runStereo(*state, snapshot, detector, gains);
    for (std::size_t i = 0; i < gains[0].size(); ++i)
        ASSERT_EQ(gains[0][i], gains[1][i]) << i;
    EXPECT_LT(*std::min_element(gains[0].begin(), gains[0].end()), 0.9);
}

TEST(FeedbackGainKernel, DualReducesOnlyTheChannelThatCarriesSignal)
{
    auto state = freshKernel();
    loadDesignedFilters(*state);
    const std::vector<double> detector[2] = {noise(9600, 1.0, 23), std::vector<double>(9600, 0.0)};
    std::vector<double> gains[2];
    runStereo(*state, kernelSnapshot(96), detector, gains);
    for (double g : gains[1])
        ASSERT_EQ(g, kRestingGain);
    EXPECT_LT(*std::min_element(gains[0].begin(), gains[0].end()), 0.9);
}

TEST(FeedbackGainKernel, AThresholdOf100000NeverCharges)
{
    auto state = freshKernel();
    ParameterSnapshot snapshot = kernelSnapshot(96);
    snapshot.detectorGains[2] = 100000.0;
    const std::vector<double> detector[2] = {noise(4800, 1.0, 24), noise(4800, 1.0, 25)};
    std::vector<double> gains[2];
    runStereo(*state, snapshot, detector, gains);
    for (double g : gains[1])
        ASSERT_EQ(g, kRestingGain);
    EXPECT_EQ(state->envFast[1], 0.0);
    EXPECT_EQ(state->envSlow[1], 0.0);
    EXPECT_GT(state->envFast[0], 0.0);

    // With the "All" baseline the idle channel's envelopes only relax towards it.
    selectRatioAll(snapshot);
    const std::vector<double> shortDetector[2] = {noise(64, 1.0, 26), noise(64, 1.0, 27)};
    double previousFast = 0.0;
    double previousSlow = 0.0;
    for (int block = 0; block < 100; ++block)
    {
        runStereo(*state, snapshot, shortDetector, gains);
        ASSERT_LT(state->envFast[1], previousFast);
        ASSERT_LT(state->envSlow[1], previousSlow);
        ASSERT_GT(state->envSlow[1], -5.0);
        previousFast = state->envFast[1];
        previousSlow = state->envSlow[1];
    }
}

TEST(FeedbackGainKernel, ARatioChangeIntoAndOutOfAllMovesTheKneeByAQuarterPercentPerSample)
{
    auto state = freshKernel();
    ParameterSnapshot snapshot = kernelSnapshot(1);
    const std::vector<double> silence(64, 0.0);
    const double* in[2] = {silence.data(), silence.data()};
    double out0[32];
    double out1[32];
    double* out[2] = {out0, out1};
    feedbackGainKernel(in, out, 32, *state, snapshot);
    ASSERT_EQ(state->knee[0].kneeWidth, kNormalKneeWidth);

    for (double target : {kAllKneeWidth, kNormalKneeWidth})
    {
        snapshot.ratioAllGain = target;
        const double start = state->knee[0].kneeWidth;
        for (int i = 0; i < 200; ++i)
        {
            const double before = state->knee[0].kneeWidth;
            feedbackGainKernel(in, out, 1, *state, snapshot);
            for (int c = 0; c < 2; ++c)
            {
                EXPECT_NEAR((state->knee[c].kneeWidth - before) / (target - before), 0.0025, 1e-9);
                EXPECT_EQ(state->knee[c].kneeOffset, -1.0);
            }
        }
        // 200 samples cover 1 - 0.9975^200 = 39 % of the way, never more.
        EXPECT_GT(std::fabs(target - state->knee[0].kneeWidth), 0.5 * std::fabs(target - start));
    }
}

TEST(FeedbackGainKernel, TheFastBranchWeightGlidesByATenthOfAPercentPerSample)
{
    auto state = freshKernel();
    ParameterSnapshot snapshot = kernelSnapshot(1);
    const std::vector<double> silence(32, 0.0);
    runMono(*state, snapshot, silence);
    ASSERT_EQ(state->ratioBlend, 0.5);

    snapshot.ballisticsBlend = 0.9;
    for (int i = 0; i < 100; ++i)
    {
        const double before = state->ratioBlend;
        runMono(*state, snapshot, std::vector<double>(1, 0.0));
        EXPECT_NEAR((state->ratioBlend - before) / (0.9 - before), 0.001, 1e-9);
    }
}

TEST(FeedbackGainKernel, EveryGainLiesBetweenZeroAndOne)
{
    for (bool ratioAll : {false, true})
        for (std::uint8_t linked : {0, 1})
        {
            auto state = freshKernel();
            loadDesignedFilters(*state);
            ParameterSnapshot snapshot = kernelSnapshot(37);
            snapshot.detectionLinked = linked;
            if (ratioAll)
                selectRatioAll(snapshot);
            // Loud noise with bursts far above full scale.
            std::vector<double> detector[2] = {noise(19200, 4.0, 31), noise(19200, 1.0, 32)};
            for (std::size_t i = 4800; i < 5000; ++i)
                detector[0][i] *= 1000.0;
            std::vector<double> gains[2];
            runStereo(*state, snapshot, detector, gains);
            for (int c = 0; c < 2; ++c)
                for (double g : gains[c])
                {
                    ASSERT_GT(g, 0.0);
                    ASSERT_LE(g, 1.0);
                }
            const std::vector<double> mono = runMono(*freshKernel(), snapshot, detector[0]);
            for (double g : mono)
            {
                ASSERT_GT(g, 0.0);
                ASSERT_LE(g, 1.0);
            }
        }
}

TEST(FeedbackGainKernel, HoldQueueStaysWithinTheLargestWindowAt192kHz)
{
    // W = 960 (5 ms at 192 kHz) and a long, monotonically falling detector: once
    // the reduction falls, every value stays a candidate until it expires, which
    // is the largest queue the hold can build.
    for (std::int32_t requested : {960, 5000})
    {
        auto state = freshKernel();
        const ParameterSnapshot snapshot = kernelSnapshot(requested, 192000.0);
        std::vector<double> detector(19200);
        for (std::size_t i = 0; i < detector.size(); ++i)
            detector[i] = 0.8 * std::exp(-static_cast<double>(i) / 3000.0);
        int largest = 0;
        for (std::size_t i = 0; i < detector.size(); ++i)
        {
            double gain = 0.0;
            feedbackGainKernel(&detector[i], &gain, 1, *state, snapshot);
            largest = std::max(largest, state->hold[0].count);
            ASSERT_LE(state->hold[0].count, 960) << i;
            ASSERT_GE(state->hold[0].head, 0);
            ASSERT_LT(state->hold[0].head, 1024);
        }
        EXPECT_EQ(largest, 960) << "requested window " << requested;
    }
}

TEST(FeedbackGainKernel, WindowsBelowOneActAsOne)
{
    auto held = freshKernel();
    auto unheld = freshKernel();
    const std::vector<double> detector = impulseAt(40, 400);
    ParameterSnapshot snapshot = kernelSnapshot(-7);
    const std::vector<double> fromNegative = runMono(*held, snapshot, detector);
    const std::vector<double> fromOne = runMono(*unheld, kernelSnapshot(1), detector);
    EXPECT_EQ(fromNegative, fromOne);
}

} // namespace
} // namespace corvex
