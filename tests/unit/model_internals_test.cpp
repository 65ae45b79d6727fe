#include "libraries/dsp/filter_design/db_to_gain.h"
#include "model/channel_pair_lanes.h"
#include "model/corvex_modelengine.h"
#include "model/feedback_gain_kernel_loop.h"
#include "model/derived_values.h"
#include "model/gain_ramp.h"
#include "model/model_state.h"
#include "model/output_stage.h"
#include "model/output_stage_constants.h"
#include "model/output_stage_lanes.h"
#include "model/parameter_table.h"
#include "model/sample_rate_setup.h"
#include "model/sliding_window_maximum.h"
#include "tests/support/engine_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

// The model where the reference recording does not reach: values derived from the parameters, worked out
// from their formulas, for settings it leaves out; ramps and glides after a change, the window edges of the
// peak hold, and the stereo forms against one channel for every block size, on signals that reach every clip.
namespace corvex
{
namespace
{

ParameterSnapshot published(CorvexPrivateEngine& engine)
{
    ParameterSnapshot snapshot;
    return engine.copyPublishedSnapshot(snapshot), snapshot;
}

// What, the rate, the values set after it in this order, a field and its value.
using DerivedCase = std::tuple<const char*, int, std::vector<std::pair<int, float>>, std::function<double(const ParameterSnapshot&)>, double>;

TEST(DerivedValues, WorkedOutFromTheirFormulas)
{
    using S = const ParameterSnapshot&;
    const DerivedCase cases[] = {
        {"defaults: floor", 48000, {}, [](S s) { return s.gainFloor; }, dsp::dbToGain(-100.0)},
        {"warp -5 ms: delay", 48000, {{8, 0.0f}}, [](S s) { return s.sideChainDelaySamples; }, 0},
        {"warp -5 ms: lead", 48000, {{8, 0.0f}}, [](S s) { return s.warpLeadSamples; }, 240},
        {"warp +10 ms: delay", 48000, {{8, 1.0f}}, [](S s) { return s.sideChainDelaySamples; }, 720},
        {"warp +10 ms: lead", 48000, {{8, 1.0f}}, [](S s) { return s.warpLeadSamples; }, 1},
        {"44.1 kHz: latency truncates", 44100, {}, [](S s) { return s.latencySamples; }, 220},
        {"44.1 kHz warp -2.5 ms: lead", 44100, {{8, 0.25f}}, [](S s) { return s.warpLeadSamples; }, 110},
        {"44.1 kHz warp -2.5 ms: delay", 44100, {{8, 0.25f}}, [](S s) { return s.sideChainDelaySamples; }, 110},
        {"range 0 dB", 44100, {{16, 1.0f}}, [](S s) { return s.gainFloor; }, 1.0},
        {"listen at 0.5", 48000, {{19, 0.5f}}, [](S s) { return s.listenMix; }, 1.0},
        {"listen below 0.5", 48000, {{19, std::nextafter(0.5f, 0.0f)}}, [](S s) { return s.listenMix; }, 0.0},
        {"effect at 0.5 is off", 48000, {{0, 0.5f}}, [](S s) { return s.effectEnabled; }, 0},
        {"fast corner: ratio factor", 48000, {{3, 1.0f}, {4, 1.0f}}, [](S s) { return s.ratioFactor; }, 4.0 * 300.0 - 1.0},
        {"fast corner: attack", 48000, {{3, 1.0f}, {4, 1.0f}}, [](S s) { return s.ballisticsCoefficients[0]; },
         1.0 - std::exp(-1000.0 / (1.9 * 48000.0))},
        {"attack and release between grid points", 48000, {{3, 0.25f}, {4, 0.25f}, {5, 0.0f}}, [](S s) { return s.ratioFactor; },
         (0.5 * (0.5 * 10.0 + 0.5 * 0.8) + 0.5 * (0.5 * 7.0 + 0.5 * 8.0)) * 300.0 - 1.0},
        {"All: mono threshold", 48000, {{3, 1.0f}, {4, 1.0f}, {5, 1.0f}}, [](S s) { return s.detectorGains[0]; },
         dsp::dbToGain(-24.5) * 19999.0 * dsp::dbToGain(-2.0)},
        {"M only: side level", 48000, {{1, 0.9f}, {7, 0.7f}}, [](S s) { return s.inputGainTargets[2]; }, 0.158489},
        {"M only: side threshold", 48000, {{7, 0.7f}}, [](S s) { return s.detectorGains[2]; }, 100000.0},
    };
    for (const auto& [what, rate, values, field, expected] : cases)
    {
        CorvexPrivateEngine engine;
        engine.setSampleRate(rate);
        for (const auto& [id, value] : values)
            engine.setNormalizedValue(id, value);
        EXPECT_EQ(field(published(engine)), expected) << what;
    }
}

// Resetting the values publishes nothing: the audio keeps the last settings until the next change.
TEST(DerivedValues, AResetPublishesNothing)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    engine.setNormalizedValue(kParamOutputGain, 0.9f);
    const ParameterSnapshot before = published(engine);
    engine.resetParameters();
    const ParameterSnapshot after = published(engine);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    engine.setNormalizedValue(kParamDryWet, 1.0f);
    EXPECT_EQ(published(engine).outputGainTargets[0], 1.0) << "the next update reads the restored values";
}

TEST(GainRamp, JumpsAfterAResetThenStepsByTheFactorPerSampleAndSnapsWithinTolerance)
{
    GainRampState ramp{};
    resetGainRamp(ramp);
    double ones[32], out[32];
    std::fill(ones, ones + 32, 1.0);
    gainRamp(ones, out, 32, ramp, 2.0); // the first block after the reset applies its target at once
    ASSERT_EQ(out[0], 2.0);
    // From 2.0 towards 4.0: the ramp snaps in the first block that begins within
    // (2^(64/4800) - 1) x 4.0 of the target, the block at sample 4736 (index 148).
    double expected = 2.0;
    for (int block = 0; block < 148; ++block)
    {
        gainRamp(ones, out, 32, ramp, 4.0);
        for (int i = 0; i < 32; ++i)
            ASSERT_EQ(out[i], expected *= 1.0001444160896162) << "block " << block << " sample " << i;
    }
    gainRamp(ones, out, 32, ramp, 4.0);
    EXPECT_TRUE(out[0] == 4.0 && ramp.currentGain == 4.0);
    gainRamp(ones, out, 32, ramp, 1.0); // down from the next block
    expected = 4.0;
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(out[i], expected *= 0.9998556047633792) << i;
}

TEST(SlidingWindowMaximum, EqualValuesKeepTheOlderAndAShrinkDropsAtOnce)
{
    auto window = std::make_unique<HoldWindow>(); // on the heap: the record holds two 8 KiB rings
    resetHoldWindow(*window);
    SlidingWindowMaximum hold;
    hold.load(*window);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(hold.push(0.5, 40), 0.5);
    EXPECT_EQ(hold.queuedCount(), 40);
    EXPECT_EQ(hold.push(0.75, 40), 0.75);
    EXPECT_EQ(hold.queuedCount(), 1);
    double h = 0.75;
    for (int i = 0; i < 2000; ++i)
        hold.push(h *= 0.999, 960);
    ASSERT_EQ(hold.queuedCount(), 960);
    EXPECT_EQ(hold.push(h * 0.999, 2), h) << "a window of 2 keeps only the last value";
    EXPECT_EQ(hold.queuedCount(), 2);
    EXPECT_EQ(hold.push(0.0, 1), 0.0);
    hold.store(*window);
    resetHoldWindow(*window);
    hold.load(*window);
    EXPECT_EQ(hold.push(0.0625, 960), 0.0625) << "only values since the reset count";
}

TEST(FeedbackGainKernel, TheHoldWindowIsClampedToOneAnd960)
{
    // The kernel alone: a normal ratio, thresholds of 0.01; a falling detector keeps every
    // value a candidate, so the hold queue grows to the whole window.
    ParameterSnapshot s{};
    s.ratioFactor = 1.0;
    s.ballisticsCoefficients[0] = 0.3;
    s.ballisticsCoefficients[1] = s.ballisticsCoefficients[2] = s.detectorGains[0] = s.detectorGains[1] = s.detectorGains[2] = 0.01;
    s.ballisticsCoefficients[3] = 0.0002;
    s.ballisticsBlend = 0.5;
    s.ratioAllGain = std::pow(10.0, -96.0 / 20.0);
    s.kernelOffset = -1.0;
    s.outputStage = computeOutputStageConstants(192000.0);
    std::vector<double> detector(4000);
    for (std::size_t i = 0; i < detector.size(); ++i)
        detector[i] = 0.8 * std::exp(-static_cast<double>(i) / 3000.0);
    const std::pair<std::int32_t, int> windows[] = {{960, 960}, {5000, 960}, {1, 1}, {-7, 1}};
    for (const auto& [requested, largest] : windows)
    {
        auto state = std::make_unique<KernelState>();
        resetFeedbackGainKernel(*state);
        s.warpLeadSamples = requested;
        int queued = 0;
        for (double& d : detector)
        {
            double gain = 0.0;
            feedbackGainKernel(&d, &gain, 1, *state, s);
            queued = std::max(queued, state->hold[0].count);
        }
        EXPECT_EQ(queued, largest) << "requested " << requested;
    }
}

// Model state after a reset, prepared for 48 kHz; on the heap, as it is large.
std::unique_ptr<ModelState> preparedState()
{
    auto state = std::make_unique<ModelState>();
    resetModelState(*state);
    prepareFixedFilters(*state, 48000.0);
    return state;
}

// The block sizes of the lane tests: the stereo paths differ below 3 samples.
constexpr int kBlockSizes[] = {1, 2, 3, 31, 32};

// The two-lane output stage gives each lane the one-channel stage's bits, also
// below the second circuit's floor and while the output gain ramps.
TEST(OutputStageLanes, EachLaneIsTheOneChannelStage)
{
    const auto state = preparedState();
    ChannelState alone[2] = {state->channels[0], state->channels[1]};
    const OutputStageConstants k = computeOutputStageConstants(48000.0);
    std::uint32_t random = 7;
    for (int block = 0; block < 100; ++block)
    {
        const int n = kBlockSizes[block % 5];
        const double targets[2] = {block < 50 ? 4.0 : 0.25, block < 25 ? 1.0 : 2.0};
        OutputStageLanes lanesStage(state->channels, targets, n, k);
        OutputStage<1> left(&alone[0], &targets[0], n, k);
        OutputStage<1> right(&alone[1], &targets[1], n, k);
        for (int i = 0; i < n; ++i)
        {
            const double x0 = testing::lcgNoiseSample(random, 3.0), x1 = testing::lcgNoiseSample(random, 0.5);
            const DoubleLanes both = lanesStage.sample(lanes(x0, x1));
            ASSERT_EQ(std::bit_cast<std::uint64_t>(both[0]), std::bit_cast<std::uint64_t>(left.sample(0, x0)));
            ASSERT_EQ(std::bit_cast<std::uint64_t>(both[1]), std::bit_cast<std::uint64_t>(right.sample(0, x1)));
        }
        lanesStage.store(state->channels);
        left.store(&alone[0]);
        right.store(&alone[1]);
    }
    EXPECT_NE(state->channels[0].secondCircuit.lowerFeedback, 0.0) << "the signal must reach the floor clip";
}

// The stereo gain computer, in lanes and channel after channel, gives each
// channel the mono computer's bits when both use the same threshold, with and
// without a hold window.
TEST(FeedbackGainKernel, StereoFormsAreTwoMonoComputers)
{
    ParameterValues values{};
    values.normalized = kDefaultNormalizedValues;
    values.normalized[kParamInputGain] = 0.9f;
    values.sampleRate = 48000.0f;
    auto snapshot = std::make_unique<ParameterSnapshot>();
    rebuildSnapshot(values, *snapshot);
    snapshot->detectorGains[1] = snapshot->detectorGains[2] = snapshot->detectorGains[0];
    snapshot->detectionLinked = 0;
    for (const std::int32_t window : {1, 40})
    {
        snapshot->warpLeadSamples = window;
        const std::unique_ptr<ModelState> inLanes = preparedState(), oneByOne = preparedState(),
                                          mono[2] = {preparedState(), preparedState()};
        std::uint32_t random = 3;
        for (int block = 0; block < 100; ++block)
        {
            const int n = kBlockSizes[block % 5];
            double detector[2][32], gains[2][32], sequential[2][32], alone[32];
            for (int i = 0; i < n; ++i)
                for (auto& channel : detector)
                    channel[i] = testing::lcgNoiseSample(random, 2.0);
            const double* in[2] = {detector[0], detector[1]};
            double* out[2] = {gains[0], gains[1]};
            feedbackGainKernel(in, out, n, inLanes->kernel, *snapshot);
            runFeedbackGainKernel<2, false>(in, n, oneByOne->kernel, *snapshot, &snapshot->detectorGains[1],
                                            [&](int c, std::int32_t i, double g) { sequential[c][i] = g; });
            const auto bits = [](double g) { return std::bit_cast<std::uint64_t>(g); };
            for (int c = 0; c < 2; ++c)
            {
                feedbackGainKernel(detector[c], alone, n, mono[c]->kernel, *snapshot);
                for (int i = 0; i < n; ++i)
                    ASSERT_TRUE(bits(gains[c][i]) == bits(alone[i]) && bits(sequential[c][i]) == bits(alone[i]))
                        << "window " << window << " block " << block << " channel " << c << " sample " << i;
            }
        }
        EXPECT_LT(inLanes->kernel.lastGain[0], 0.5) << "the computer must reduce";
    }
}

} // namespace
} // namespace corvex
