#include "libraries/dsp/filter_design/db_to_gain.h"
#include "model/corvex_modelengine.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

namespace
{

using corvex::CorvexPrivateEngine;
using corvex::ParameterSnapshot;
using dsp::dbToGain;

ParameterSnapshot published(CorvexPrivateEngine& engine)
{
    ParameterSnapshot snapshot;
    engine.copyPublishedSnapshot(snapshot);
    return snapshot;
}

bool sameBytes(const ParameterSnapshot& a, const ParameterSnapshot& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(DerivedValues, DefaultsAt48kHz)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    const auto s = published(engine);
    EXPECT_EQ(s.effectEnabled, 1);
    EXPECT_EQ(s.enableFadeTarget, 1.0);
    EXPECT_EQ(s.latencySamples, 240u);
    EXPECT_EQ(s.sideChainDelaySamples, 240u);
    EXPECT_EQ(s.warpLeadSamples, 1);
    EXPECT_EQ(s.inputGainTargets[0], 1.0) << "48 * 0.5 - 24 is exactly 0 dB";
    EXPECT_EQ(s.dryWetMix, 1.0);
    EXPECT_EQ(s.gainFloor, dbToGain(-100.0));
    EXPECT_NEAR(s.gainFloor, 0.00001, 1e-18);
    EXPECT_EQ(s.sideChainSwap, 0);
    EXPECT_EQ(s.detectionLinked, 0);
    // "Dual": plain stereo matrices, -2 dB in, +2 dB out.
    const double g = dbToGain(-2.0);
    EXPECT_EQ(s.inputMatrix.c0, g);
    EXPECT_EQ(s.inputMatrix.c1, 0.0);
    EXPECT_EQ(s.outputMatrix.c3, 1.0 / g);
    EXPECT_EQ(s.outputMatrix.mono, 1.0 / g);
    EXPECT_EQ(s.inputMatrix.smoothing, 0.0010000000474974513);
    // Attack and release at the grid centre (row 1, column 1), ratio "4".
    EXPECT_EQ(s.ratioFactor, 8.0 * 300.0 - 1.0);
    EXPECT_EQ(s.ballisticsCoefficients[0], 1.0 - std::exp(-1000.0 / (5.01 * 48000.0)));
    EXPECT_EQ(s.ballisticsCoefficients[3], 1.0 - std::exp(-1000.0 / (826.0 * 48000.0)));
    EXPECT_EQ(s.detectorGains[1], dbToGain(-25.120001) * 2399.0 * dbToGain(0.0));
    EXPECT_EQ(s.ballisticsBlend, 0.011);
    EXPECT_EQ(s.ratioAllGain, dbToGain(-96.0));
    EXPECT_EQ(s.ratioAllOffset, 0.0);
    EXPECT_EQ(s.kernelOffset, -1.0);
    EXPECT_NEAR(s.outputStage.firstCircuitFeedbackSmoothing, 0.00099223, 1e-8);
    EXPECT_EQ(s.outputStage.firstCircuitFloor, -dbToGain(-20.0));
}

TEST(DerivedValues, TimeWarpAndLatency)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    engine.setNormalizedValue(kParamSideChainTimeWarp, 0.0f);
    auto s = published(engine);
    EXPECT_EQ(s.sideChainDelaySamples, 0u);
    EXPECT_EQ(s.warpLeadSamples, 240);
    engine.setNormalizedValue(kParamSideChainTimeWarp, 1.0f);
    s = published(engine);
    EXPECT_EQ(s.sideChainDelaySamples, 720u);
    EXPECT_EQ(s.warpLeadSamples, 1);

    engine.setSampleRate(44100);
    engine.setNormalizedValue(kParamSideChainTimeWarp, 0.0f);
    s = published(engine);
    EXPECT_EQ(s.latencySamples, 220u) << "220.5 truncates";
    EXPECT_EQ(s.warpLeadSamples, 220);
    EXPECT_EQ(s.sideChainDelaySamples, 0u);
    engine.setNormalizedValue(kParamSideChainTimeWarp, 0.25f);
    s = published(engine);
    EXPECT_EQ(s.warpLeadSamples, 110) << "-2.5 ms at 44.1 kHz is -110.25 samples";
    EXPECT_EQ(s.sideChainDelaySamples, 110u);
}

TEST(DerivedValues, RangeAndSwitches)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(44100);
    engine.setNormalizedValue(kParamGainReductionRange, 1.0f);
    EXPECT_EQ(published(engine).gainFloor, 1.0);
    engine.setNormalizedValue(kParamGainReductionRange, 0.5f);
    EXPECT_EQ(published(engine).gainFloor, dbToGain(-12.0));

    engine.setNormalizedValue(kParamExternalSideChain, 0.5f);
    engine.setNormalizedValue(kParamSideChainListen, 0.5f);
    engine.setNormalizedValue(kParamEnableEffect, 0.5f);
    auto s = published(engine);
    EXPECT_EQ(s.externalSideChain, 1);
    EXPECT_EQ(s.listenMix, 1.0);
    EXPECT_EQ(s.effectEnabled, 0) << "the effect is on only above 0.5";
    EXPECT_EQ(s.enableFadeTarget, 0.0);
    engine.setNormalizedValue(kParamSideChainListen, std::nextafter(0.5f, 0.0f));
    EXPECT_EQ(published(engine).listenMix, 0.0);
}

TEST(DerivedValues, BallisticsAtTheGridCorners)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    engine.setNormalizedValue(kParamAttackTime, 1.0f);
    engine.setNormalizedValue(kParamReleaseTime, 1.0f);
    auto s = published(engine);
    EXPECT_EQ(s.ratioFactor, 4.0 * 300.0 - 1.0);
    EXPECT_EQ(s.ballisticsCoefficients[0], 1.0 - std::exp(-1000.0 / (1.9 * 48000.0)));
    EXPECT_EQ(s.ballisticsBlend, 0.05);

    engine.setNormalizedValue(kParamRatio, 1.0f);
    s = published(engine);
    EXPECT_EQ(s.ratioFactor, 4.0 * 5000.0 - 1.0);
    EXPECT_EQ(s.ratioAllOffset, -5.0);
    EXPECT_EQ(s.ratioAllGain, dbToGain(3.0));
    EXPECT_EQ(s.detectorGains[0], dbToGain(-24.5) * 19999.0 * dbToGain(-2.0));

    engine.setNormalizedValue(kParamAttackTime, 0.25f); // half-way between columns 0 and 1
    engine.setNormalizedValue(kParamReleaseTime, 0.0f);
    engine.setNormalizedValue(kParamRatio, 0.0f);
    s = published(engine);
    EXPECT_EQ(s.ratioFactor, (0.5 * 10.0 + 0.5 * 0.8) * 300.0 - 1.0);
}

TEST(DerivedValues, MidOnlyDrivesTheSideChannelQuietly)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    engine.setNormalizedValue(kParamInputGain, 0.9f);
    engine.setNormalizedValue(kParamSideChainDetectionMode, 0.7f); // "M only"
    const auto s = published(engine);
    const double g = dbToGain(-2.0);
    EXPECT_EQ(s.inputGainTargets[2], 0.158489);
    EXPECT_EQ(s.inputGainTargets[1], dbToGain(48.0 * static_cast<double>(0.9f) - 24.0));
    EXPECT_EQ(s.outputGainTargets[2], 1.0 / 0.158489);
    EXPECT_EQ(s.detectorGains[2], 100000.0);
    EXPECT_EQ(s.inputMatrix.c3, -0.5 * g);
    EXPECT_EQ(s.inputMatrix.mono, g);
    EXPECT_EQ(s.outputMatrix.c2, 1.0 / g);
    EXPECT_EQ(s.outputMatrix.mono, 1.0);
    EXPECT_EQ(s.listenMatrix.c1, 1.0 / g);
    EXPECT_EQ(s.listenMatrix.c2, 0.0);
}

TEST(SnapshotDispatch, ExternalGainChangesOnlyTheMatrices)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    const auto before = published(engine);
    engine.setNormalizedValue(kParamExternalSideChainGain, 0.75f);
    const auto after = published(engine);
    EXPECT_EQ(after.sideChainMatrix.c0, dbToGain(12.0) * dbToGain(-2.0));

    ParameterSnapshot expected = before;
    expected.inputMatrix = after.inputMatrix;
    expected.sideChainMatrix = after.sideChainMatrix;
    expected.outputMatrix = after.outputMatrix;
    EXPECT_TRUE(sameBytes(expected, after)) << "no field outside the matrices may change";
    EXPECT_TRUE(engine.snapshotBuffersAgree());
}

TEST(SnapshotDispatch, DetectionModeRunsThreeUpdatesAndLeavesTheEqualiser)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    engine.setNormalizedValue(kParamSideChainEqOn, 1.0f);
    engine.setNormalizedValue(kParamSideChainEqBellGain, 1.0f);
    const auto before = published(engine);
    engine.setNormalizedValue(kParamSideChainDetectionMode, 1.0f); // "S only"
    const auto after = published(engine);
    EXPECT_EQ(after.inputMatrix.c3, -0.5 * dbToGain(-2.0)) << "matrices updated";
    EXPECT_EQ(after.inputGainTargets[1], 0.158489) << "levels updated";
    EXPECT_EQ(after.detectorGains[1], 100000.0) << "ballistics updated";
    EXPECT_TRUE(after.sideChainBell == before.sideChainBell);
    EXPECT_EQ(std::memcmp(&after.outputStage, &before.outputStage, sizeof after.outputStage), 0);
}

TEST(SnapshotDispatch, ResetParametersPublishesNothing)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    engine.setNormalizedValue(kParamOutputGain, 0.9f);
    const auto before = published(engine);
    engine.resetParameters();
    EXPECT_TRUE(sameBytes(before, published(engine)));
    engine.setNormalizedValue(kParamDryWet, 1.0f);
    EXPECT_EQ(published(engine).outputGainTargets[0], 1.0) << "the next update reads the restored values";
}

TEST(SnapshotDispatch, BadIdentifierRepublishesTheUnchangedSnapshot)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    const auto before = published(engine);
    corvex::testing::ReportCapture capture;
    engine.setNormalizedValue(20, 0.5f);
    EXPECT_TRUE(sameBytes(before, published(engine)));
    EXPECT_TRUE(engine.snapshotBuffersAgree());
}

TEST(SnapshotDispatch, SettingBeforeTheSampleRateDesignsNothing)
{
    corvex::testing::ReportCapture capture;
    CorvexPrivateEngine engine;
    engine.setNormalizedValue(kParamSideChainEqOn, 1.0f);
    engine.setNormalizedValue(kParamSideChainEqHighPassOn, 1.0f);
    EXPECT_EQ(capture.count(), 0u) << "no filter can be designed without a rate; none is reported";
    engine.setSampleRate(48000);
    EXPECT_NE(published(engine).sideChainHighPass.b1, 0.0) << "the rate's set-up designs it";
    EXPECT_EQ(capture.count(), 0u);
}

TEST(SnapshotHandOff, EveryCopyIsOnePublishedState)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    engine.setNormalizedValue(kParamSideChainDetectionMode, 0.3f);
    const auto dual = published(engine);
    engine.setNormalizedValue(kParamSideChainDetectionMode, 0.7f);
    const auto midOnly = published(engine);
    ASSERT_FALSE(sameBytes(dual, midOnly));

    std::atomic<bool> stop{false};
    std::thread setter([&] {
        for (int i = 0; !stop.load(); ++i)
            engine.setNormalizedValue(kParamSideChainDetectionMode, i % 2 == 0 ? 0.3f : 0.7f);
    });
    int dualCopies = 0;
    int midCopies = 0;
    for (int i = 0; i < 20000; ++i)
    {
        const auto copy = published(engine);
        if (sameBytes(copy, dual))
            ++dualCopies;
        else if (sameBytes(copy, midOnly))
            ++midCopies;
        else
            ADD_FAILURE() << "a torn snapshot at copy " << i;
    }
    stop = true;
    setter.join();
    EXPECT_EQ(dualCopies + midCopies, 20000);
    EXPECT_TRUE(engine.snapshotBuffersAgree());
}

} // namespace
