#include "corvex_engine.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace
{

using corvex::testing::ReportCapture;

std::unique_ptr<CorvexEngine> newEngine()
{
    return std::unique_ptr<CorvexEngine>(createCorvexEngine());
}

std::string valueText(CorvexEngine& engine, int id, float v)
{
    char buffer[32];
    engine.getValueText(id, v, buffer, sizeof buffer);
    return buffer;
}

TEST(EngineLifecycle, VersionAndLatency)
{
    auto engine = newEngine();
    EXPECT_STREQ(engine->getVersion(), "1.0.11");
    EXPECT_EQ(engine->getLatencySamples(), 0);
    const int rates[][2] = {{44100, 220}, {48000, 240}, {96000, 480}, {192000, 960}, {1, 0}};
    for (const auto& [rate, latency] : rates)
    {
        engine->setSampleRate(rate);
        EXPECT_EQ(engine->getLatencySamples(), latency) << rate;
    }
    EXPECT_STREQ(engine->getVersion(), "1.0.11");
}

TEST(EngineParameters, NewEngineHoldsTheDefaults)
{
    auto engine = newEngine();
    const float defaults[20] = {1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.1f, 1.0f, 0.3f, 0.5f, 0.0f,
                                0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 1.0f, 0.0f, 0.5f, 0.0f, 0.0f};
    for (int id = 0; id < kNumParameters; ++id)
        EXPECT_EQ(engine->getNormalizedValue(id), defaults[id]) << id;
}

TEST(EngineParameters, DisplayValuesOfANewEngine)
{
    auto engine = newEngine();
    EXPECT_EQ(engine->getCurrentDisplayValue(kParamInputGain), -24.0f);
    EXPECT_EQ(engine->getCurrentDisplayValue(kParamOutputGain), -24.0f);
    EXPECT_EQ(engine->getCurrentDisplayValue(kParamAttackTime), 4.0f);
    EXPECT_EQ(engine->getCurrentDisplayValue(kParamReleaseTime), 4.0f);
    EXPECT_EQ(engine->getCurrentDisplayValue(kParamDryWet), 100.0f);
    EXPECT_EQ(engine->getCurrentDisplayValue(kParamSideChainTimeWarp), 0.0f);
    EXPECT_FLOAT_EQ(engine->getCurrentDisplayValue(kParamSideChainEqHighPassFreq), 20.0f);
    EXPECT_FLOAT_EQ(engine->getCurrentDisplayValue(kParamSideChainEqBellFreq), std::sqrt(30.0f * 16000.0f));
    EXPECT_EQ(engine->getCurrentDisplayValue(kParamSideChainEqBellGain), 0.0f);
    EXPECT_FLOAT_EQ(engine->getCurrentDisplayValue(kParamSideChainEqLowPassFreq), 20000.0f);
    EXPECT_EQ(engine->getCurrentDisplayValue(kParamGainReductionRange), 100.0f);
    EXPECT_EQ(engine->getCurrentDisplayValue(kParamExternalSideChainGain), 0.0f);
    for (int id : {0, 5, 7, 9, 10, 11, 18, 19})
        EXPECT_EQ(engine->getCurrentDisplayValue(id), 0.0f) << id;
}

TEST(EngineParameters, DisplayValuesOfChosenValues)
{
    auto engine = newEngine();
    EXPECT_EQ(engine->getDisplayValue(kParamSideChainTimeWarp, 0.25f), -2.5f);
    EXPECT_EQ(engine->getDisplayValue(kParamSideChainTimeWarp, 0.75f), 5.0f);
    EXPECT_EQ(engine->getDisplayValue(kParamSideChainTimeWarp, 1.0f), 10.0f);
    EXPECT_EQ(engine->getDisplayValue(kParamGainReductionRange, 0.5f), 12.0f);
    const float top = engine->getDisplayValue(kParamGainReductionRange, 1.0f);
    EXPECT_EQ(top, 0.0f);
    EXPECT_FALSE(std::signbit(top)) << "GR Range at 1.0 shows +0, not -0";
    EXPECT_EQ(engine->getDisplayValue(kParamInputGain, 0.75f), -12.0f);
    EXPECT_EQ(engine->getDisplayValue(kParamAttackTime, 1.0f), 7.0f);
    EXPECT_FLOAT_EQ(engine->getDisplayValue(kParamSideChainEqHighPassFreq, 0.5f), 20.0f * std::sqrt(60.0f));
    EXPECT_EQ(engine->getDisplayValue(kParamSideChainEqBellGain, 0.25f), -6.0f);
    EXPECT_EQ(engine->getDisplayValue(kParamExternalSideChainGain, 1.0f), 24.0f);

    ReportCapture capture;
    EXPECT_EQ(engine->getDisplayValue(kParamInputGain, 2.0f), 48.0f) << "out-of-range values are mapped unclamped";
    EXPECT_EQ(capture.count(), 1u);
}

TEST(EngineParameters, SetStoresTheClampedValue)
{
    auto engine = newEngine();
    ReportCapture capture;
    engine->setNormalizedValue(kParamRatio, 0.8f);
    EXPECT_EQ(engine->getNormalizedValue(kParamRatio), 0.8f);
    EXPECT_EQ(capture.count(), 0u);

    engine->setNormalizedValue(kParamOutputGain, 7.0f);
    EXPECT_EQ(engine->getNormalizedValue(kParamOutputGain), 1.0f);
    engine->setNormalizedValue(kParamOutputGain, -0.25f);
    EXPECT_EQ(engine->getNormalizedValue(kParamOutputGain), 0.0f);
    engine->setNormalizedValue(kParamOutputGain, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(engine->getNormalizedValue(kParamOutputGain), 0.0f);
    engine->setNormalizedValue(kParamOutputGain, std::numeric_limits<float>::infinity());
    EXPECT_EQ(engine->getNormalizedValue(kParamOutputGain), 1.0f);

    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].line, 118u);
    EXPECT_EQ(reports[0].message, "Invalid normalized value: 7");
    EXPECT_EQ(reports[1].message, "Invalid normalized value: -0.25");
    EXPECT_EQ(reports[2].message, "Invalid normalized value: nan");
    EXPECT_EQ(reports[3].message, "Invalid normalized value: inf");
}

TEST(EngineParameters, ResetRestoresTheDefaults)
{
    auto engine = newEngine();
    for (int id = 0; id < kNumParameters; ++id)
        engine->setNormalizedValue(id, 0.77f);
    engine->resetParameters();
    EXPECT_EQ(engine->getNormalizedValue(kParamRatio), 0.1f);
    EXPECT_EQ(engine->getNormalizedValue(kParamSideChainDetectionMode), 0.3f);
    EXPECT_EQ(engine->getNormalizedValue(kParamEnableEffect), 1.0f);
    EXPECT_EQ(engine->getNormalizedValue(kParamSideChainEqLowPassFreq), 1.0f);
}

TEST(ParameterText, NamesAndUnitsFollowTheCopyRule)
{
    auto engine = newEngine();
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    engine->getParameterName(kParamDryWet, buffer, 32);
    EXPECT_EQ(std::string(buffer, 9), "Dry / Wet");
    for (int i = 9; i < 32; ++i)
        EXPECT_EQ(buffer[i], '\0') << "padded with NUL up to the count, at " << i;

    std::memset(buffer, 'x', sizeof buffer);
    engine->getParameterName(kParamSideChainDetectionMode, buffer, 4);
    EXPECT_EQ(std::string(buffer, 5), "SC Dx") << "cut at the count, no terminator, nothing beyond";

    std::memset(buffer, 'x', sizeof buffer);
    engine->getParameterUnit(kParamAttackTime, buffer, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(buffer[i], '\0');
    EXPECT_EQ(buffer[8], 'x');

    std::memset(buffer, 'x', sizeof buffer);
    engine->getParameterName(kParamRatio, buffer, -1);
    engine->getParameterUnit(kParamInputGain, buffer, 0);
    engine->getValueText(kParamEnableEffect, 1.0f, buffer, -100);
    EXPECT_EQ(buffer[0], 'x') << "a count of zero or less writes nothing";

    const char* units[20] = {"", "dB", "dB", "", "", "", "%", "", "ms", "",
                             "", "", "Hz", "Hz", "dB", "Hz", "dB", "dB", "", ""};
    for (int id = 0; id < kNumParameters; ++id)
    {
        engine->getParameterUnit(id, buffer, 32);
        EXPECT_STREQ(buffer, units[id]) << id;
    }
}

TEST(ParameterText, SwitchAndChoiceTextsChangeAtTheirFloatEdges)
{
    auto engine = newEngine();
    const float belowHalf = std::nextafter(0.5f, 0.0f);
    EXPECT_EQ(valueText(*engine, kParamEnableEffect, 0.5f), "On");
    EXPECT_EQ(valueText(*engine, kParamEnableEffect, belowHalf), "Off");
    EXPECT_EQ(valueText(*engine, kParamExternalSideChain, 0.5f), "On");
    EXPECT_EQ(valueText(*engine, kParamSideChainListen, 0.49f), "Off");

    const std::pair<float, const char*> ratios[] = {{0.0f, "4"},   {std::nextafter(0.2f, 0.0f), "4"},
                                                    {0.2f, "8"},   {0.4f, "12"},
                                                    {0.6f, "20"},  {std::nextafter(0.8f, 0.0f), "20"},
                                                    {0.8f, "All"}, {1.0f, "All"}};
    for (const auto& [v, text] : ratios)
        EXPECT_EQ(valueText(*engine, kParamRatio, v), text) << v;

    EXPECT_EQ(valueText(*engine, kParamSideChainDetectionMode, 0.0f), "Reversed");
    EXPECT_EQ(valueText(*engine, kParamSideChainDetectionMode, 0.3f), "Dual");
    EXPECT_EQ(valueText(*engine, kParamSideChainDetectionMode, 0.5f), "Linked");
    EXPECT_EQ(valueText(*engine, kParamSideChainDetectionMode, 0.79f), "M only");
    EXPECT_EQ(valueText(*engine, kParamSideChainDetectionMode, 1.0f), "S only");
    EXPECT_EQ(valueText(*engine, kParamInputGain, 0.5f), "") << "continuous parameters have no value text";

    char buffer[16];
    engine->getCurrentValueText(kParamExternalSideChain, buffer, 16);
    EXPECT_STREQ(buffer, "Off");
    engine->getCurrentValueText(kParamSideChainDetectionMode, buffer, 16);
    EXPECT_STREQ(buffer, "Dual");
    engine->setNormalizedValue(kParamRatio, 0.79f);
    engine->getCurrentValueText(kParamRatio, buffer, 16);
    EXPECT_STREQ(buffer, "20");
}

TEST(ParameterText, OutOfRangeValuesUseTheEndsOfTheList)
{
    auto engine = newEngine();
    ReportCapture capture;
    EXPECT_EQ(valueText(*engine, kParamEnableEffect, -0.7f), "Off");
    EXPECT_EQ(valueText(*engine, kParamRatio, -3.0f), "4");
    EXPECT_EQ(valueText(*engine, kParamRatio, std::numeric_limits<float>::quiet_NaN()), "4");
    EXPECT_EQ(valueText(*engine, kParamSideChainDetectionMode, 1e30f), "S only");
    EXPECT_EQ(valueText(*engine, kParamSideChainListen, 3.0f), "On");
    EXPECT_EQ(capture.count(), 5u);
}

} // namespace
