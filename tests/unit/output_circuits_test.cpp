#include "model/first_output_circuit.h"
#include "model/fixed_filters.h"
#include "model/model_state.h"
#include "model/output_stage_constants.h"
#include "model/sample_rate_setup.h"
#include "model/second_output_circuit.h"
#include "model/soft_clip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace corvex
{
namespace
{

// ---------------------------------------------------------------- soft clip

TEST(SoftClip, IdentityBelowTheThresholdAndBentAboveIt)
{
    const ClipPair clip{0.5, 2.0};
    EXPECT_EQ(softClip(0.3, clip), 0.3);
    EXPECT_EQ(softClip(-0.3, clip), -0.3);
    EXPECT_EQ(softClip(0.5, clip), 0.5);
    EXPECT_EQ(softClip(1.5, clip), 0.5 + 1.0 / 3.0);
    EXPECT_EQ(softClip(-1.5, clip), -(0.5 + 1.0 / 3.0));
    EXPECT_EQ(softClip(0.0, clip), 0.0);
    // Bounded by the asymptote T + 1/k.
    EXPECT_LT(softClip(1e9, clip), 1.0);
    EXPECT_GT(softClip(1e9, clip), 0.999999);
}

TEST(SoftClip, BlockVersionMatchesTheCurveSampleBySample)
{
    const ClipPair clip{0.057213695465232604, 0.78188};
    double in[32];
    double out[32];
    for (int i = 0; i < 32; ++i)
        in[i] = (i - 16) * 0.11;
    softClip(in, out, 32, clip);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(out[i], softClip(in[i], clip)) << i;
}

// ------------------------------------------------------------- fixed filters

TEST(FixedFilters, ResetGivesAClearedPassThrough)
{
    FixedFirstOrder first{3.0, 4.0, 5.0, 6.0, 7.0};
    FixedSecondOrder second{3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, 10.0};
    resetFixedFirstOrder(first);
    resetFixedSecondOrder(second);
    const double in[4] = {0.25, -1.0, 3.5, 0.0};
    double out[4];
    fixedFirstOrder(in, out, 4, first);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(out[i], in[i]);
    fixedSecondOrder(in, out, 4, second);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(out[i], in[i]);
}

TEST(FixedFilters, ImpulseResponsesFollowTheRecursionAcrossBlocksWithoutReadingA0)
{
    // y[n] = 0.5 x[n] + 0.25 x[n-1] + 0.5 y[n-1]: 0.5, 0.5, 0.25, 0.125, ...
    FixedFirstOrder first{0.0, 0.5, 0.25, 99.0, -0.5};
    // y[n] = x[n] + y[n-1] - 0.5 y[n-2]: 1, 1, 0.5, 0, -0.25, -0.25, -0.125, 0
    FixedSecondOrder second{0.0, 0.0, 1.0, 0.0, 0.0, 99.0, -1.0, 0.5};
    const double impulse[8] = {1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    double out[8];

    fixedFirstOrder(impulse, out, 3, first);
    fixedFirstOrder(impulse + 3, out + 3, 5, first);
    const double firstExpected[8] = {0.5, 0.5, 0.25, 0.125, 0.0625, 0.03125, 0.015625, 0.0078125};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(out[i], firstExpected[i]) << i;

    fixedSecondOrder(impulse, out, 5, second);
    fixedSecondOrder(impulse + 5, out + 5, 3, second);
    const double secondExpected[8] = {1.0, 1.0, 0.5, 0.0, -0.25, -0.25, -0.125, 0.0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(out[i], secondExpected[i]) << i;
}

// -------------------------------------------------------- output-stage circuits

TEST(OutputStageConstants, SmoothingCoefficientsAt48kHz)
{
    const OutputStageConstants k = computeOutputStageConstants(48000.0);
    EXPECT_NEAR(k.firstCircuitFeedbackSmoothing, 0.00099223, 5e-9);
    EXPECT_NEAR(k.secondCircuitUpperSmoothing, 0.00013286, 5e-9);
    EXPECT_NEAR(k.secondCircuitLowerSmoothing, 0.00041658, 5e-9);
    EXPECT_EQ(k.firstCircuitFeedbackSmoothing, 1.0 - std::exp(-1.0 / (20.986099 * 0.001 * 48000.0)));
    EXPECT_NEAR(k.firstCircuitFloor, -0.1, 1e-15);
    EXPECT_NEAR(k.firstCircuitInputScale * k.firstCircuitOutputScale, 1.0, 1e-15);
}

// Loads the filters that the set-up designs for 48 kHz into both circuits.
void loadDesignedFilters(FirstOutputCircuitState& first, SecondOutputCircuitState& second)
{
    auto model = std::make_unique<ModelState>();
    resetModelState(*model);
    prepareFixedFilters(*model, 48000.0);
    first = model->channels[0].firstCircuit;
    second = model->channels[0].secondCircuit;
}

TEST(OutputCircuits, SilenceInGivesSilenceOut)
{
    const OutputStageConstants k = computeOutputStageConstants(48000.0);
    FirstOutputCircuitState first{};
    SecondOutputCircuitState second{};
    resetFirstOutputCircuit(first);
    resetSecondOutputCircuit(second);
    loadDesignedFilters(first, second);
    const double silence[32] = {};
    double out[32];
    for (int block = 0; block < 20; ++block)
    {
        runFirstOutputCircuit(silence, out, 32, first, k);
        for (double y : out)
            ASSERT_EQ(y, 0.0);
        runSecondOutputCircuit(silence, out, 32, second, k);
        for (double y : out)
            ASSERT_EQ(y, 0.0);
    }
    EXPECT_EQ(first.feedback, 0.0);
    EXPECT_EQ(second.upperFeedback, 0.0);
    EXPECT_EQ(second.lowerFeedback, 0.0);
}

TEST(FirstOutputCircuit, OnlyThePositiveHalfSaturates)
{
    // Pass-through filters isolate the saturation step; all inputs stay above
    // the floor, so the feedback stays 0.
    const OutputStageConstants k = computeOutputStageConstants(48000.0);
    FirstOutputCircuitState state{};
    resetFirstOutputCircuit(state);
    double in[32];
    double out[32];
    for (int i = 0; i < 32; ++i)
        in[i] = i % 2 == 0 ? 0.04 * (i + 1) : -0.0044 * i;
    runFirstOutputCircuit(in, out, 32, state, k);
    for (int i = 0; i < 32; ++i)
    {
        const double a = in[i] * k.firstCircuitInputScale;
        if (in[i] < 0.0)
        {
            EXPECT_EQ(out[i], a * k.firstCircuitOutputScale) << i;
        }
        else
        {
            const double saturated = softClip(softClip(a, k.firstCircuitClip1), k.firstCircuitClip2);
            EXPECT_EQ(out[i], saturated * k.firstCircuitOutputScale) << i;
            if (a > k.firstCircuitClip1.threshold)
            {
                EXPECT_LT(out[i], in[i]) << i;
            }
        }
    }
    EXPECT_EQ(state.feedback, 0.0);
}

TEST(FirstOutputCircuit, TheFloorClipChargesItsFeedback)
{
    const OutputStageConstants k = computeOutputStageConstants(48000.0);
    FirstOutputCircuitState state{};
    resetFirstOutputCircuit(state);
    const double in[2] = {-1.0, 0.0};
    double out[2];
    runFirstOutputCircuit(in, out, 2, state, k);

    const double u = -1.0 * k.firstCircuitInputScale;
    const double charge = ((u - k.firstCircuitFloor) * k.firstCircuitFeedbackGain) * k.firstCircuitFeedbackSmoothing;
    EXPECT_EQ(out[0], k.firstCircuitFloor * k.firstCircuitOutputScale);
    // The charge shifts the next sample (negative, so it passes unsaturated).
    EXPECT_EQ(out[1], charge * k.firstCircuitOutputScale);
    EXPECT_EQ(state.feedback, charge + (0.0 - charge) * k.firstCircuitFeedbackSmoothing);
}

TEST(SecondOutputCircuit, TheCeilingClipsAndChargesTheUpperFeedback)
{
    const OutputStageConstants k = computeOutputStageConstants(48000.0);
    SecondOutputCircuitState state{};
    resetSecondOutputCircuit(state);
    const double in[1] = {2.0};
    double out[1];
    runSecondOutputCircuit(in, out, 1, state, k);

    const double u = 2.0 * k.secondCircuitInputScale;
    EXPECT_EQ(out[0], k.secondCircuitCeiling * k.secondCircuitOutputScale);
    EXPECT_EQ(state.upperFeedback,
              ((k.secondCircuitCeiling - u) * k.secondCircuitUpperFeedbackGain) * k.secondCircuitUpperSmoothing);
    EXPECT_EQ(state.lowerFeedback, 0.0);
}

TEST(SecondOutputCircuit, TheExcessBelowTheFloorReturnsSaturated)
{
    const OutputStageConstants k = computeOutputStageConstants(48000.0);
    SecondOutputCircuitState state{};
    resetSecondOutputCircuit(state);
    const double in[1] = {-3.0};
    double out[1];
    runSecondOutputCircuit(in, out, 1, state, k);

    const double u = -3.0 * k.secondCircuitInputScale;
    const double excess = k.secondCircuitFloor - u;
    const double returned = softClip(excess * k.secondCircuitExcessScale, k.secondCircuitClip);
    EXPECT_EQ(out[0], (k.secondCircuitFloor + returned) * k.secondCircuitOutputScale);
    EXPECT_EQ(state.lowerFeedback, (excess * k.secondCircuitLowerFeedbackGain) * k.secondCircuitLowerSmoothing);
    EXPECT_EQ(state.upperFeedback, 0.0);
}

} // namespace
} // namespace corvex
