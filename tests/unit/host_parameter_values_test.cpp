#include "libraries/host/display_value_inversion.h"
#include "libraries/host/parameter_description.h"
#include "libraries/host/text_compare.h"
#include "libraries/host/value_text_lookup.h"

#include "engine/corvex_engine.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace
{

using corvex::host::ParameterChoice;
using corvex::host::ParameterDescription;
using corvex::host::ParameterKind;
using corvex::host::describeParameters;
using corvex::host::normalizedFromDisplayValue;
using corvex::host::normalizedFromText;

class HostParameterValues : public ::testing::Test
{
protected:
    std::unique_ptr<CorvexEngine> engine{createCorvexEngine()};
    corvex::testing::ReportCapture reports;

    float display(int parameterId, float normalizedValue)
    {
        return engine->getDisplayValue(parameterId, normalizedValue);
    }

    std::string valueText(int parameterId, float normalizedValue)
    {
        char text[33] = {};
        engine->getValueText(parameterId, normalizedValue, text, 32);
        return text;
    }

    void TearDown() override { EXPECT_EQ(reports.count(), 0u) << "a host helper made an invalid engine call"; }
};

std::vector<std::string> texts(const ParameterDescription& description)
{
    std::vector<std::string> result;
    for (const ParameterChoice& choice : description.choices)
        result.push_back(choice.text);
    return result;
}

TEST_F(HostParameterValues, DescriptionsCarryNamesUnitsKindsAndDefaults)
{
    const std::vector<ParameterDescription> descriptions = describeParameters(*engine);
    ASSERT_EQ(descriptions.size(), static_cast<std::size_t>(kNumParameters));

    const std::vector<int> switches = {0, 9, 10, 11, 18, 19};
    for (int id = 0; id < kNumParameters; ++id)
        EXPECT_EQ(descriptions[id].id, id);
    for (int id : switches)
    {
        EXPECT_EQ(descriptions[id].kind, ParameterKind::Switch) << id;
        EXPECT_EQ(texts(descriptions[id]), (std::vector<std::string>{"Off", "On"})) << id;
        EXPECT_EQ(descriptions[id].choices[0].normalizedValue, 0.0f);
        EXPECT_EQ(descriptions[id].choices[1].normalizedValue, 1.0f);
    }
    EXPECT_EQ(descriptions[5].kind, ParameterKind::Choice);
    EXPECT_EQ(texts(descriptions[5]), (std::vector<std::string>{"4", "8", "12", "20", "All"}));
    EXPECT_EQ(descriptions[7].kind, ParameterKind::Choice);
    EXPECT_EQ(texts(descriptions[7]), (std::vector<std::string>{"Reversed", "Dual", "Linked", "M only", "S only"}));
    for (int id : {1, 2, 3, 4, 6, 8, 12, 13, 14, 15, 16, 17})
    {
        EXPECT_EQ(descriptions[id].kind, ParameterKind::Continuous) << id;
        EXPECT_TRUE(descriptions[id].choices.empty()) << id;
    }

    EXPECT_EQ(descriptions[6].name, "Dry / Wet");
    EXPECT_EQ(descriptions[7].name, "SC Detection Mode");
    EXPECT_EQ(descriptions[16].name, "GR Range");
    EXPECT_EQ(descriptions[6].unit, "%");
    EXPECT_EQ(descriptions[8].unit, "ms");
    EXPECT_EQ(descriptions[13].unit, "Hz");
    EXPECT_EQ(descriptions[17].unit, "dB");
    EXPECT_EQ(descriptions[3].unit, "");

    EXPECT_EQ(descriptions[0].defaultNormalizedValue, 1.0f);
    EXPECT_EQ(descriptions[5].defaultNormalizedValue, 0.1f);
    EXPECT_EQ(descriptions[7].defaultNormalizedValue, 0.3f);
    EXPECT_EQ(descriptions[15].defaultNormalizedValue, 1.0f);
    EXPECT_EQ(descriptions[16].defaultNormalizedValue, 0.0f);
}

TEST_F(HostParameterValues, DisplayRangesRunInTheEnginesDirection)
{
    const std::vector<ParameterDescription> descriptions = describeParameters(*engine);
    EXPECT_EQ(descriptions[1].displayAtZero, -48.0f);
    EXPECT_EQ(descriptions[1].displayAtOne, 0.0f);
    EXPECT_EQ(descriptions[3].displayAtZero, 1.0f);
    EXPECT_EQ(descriptions[3].displayAtOne, 7.0f);
    EXPECT_EQ(descriptions[8].displayAtZero, -5.0f);
    EXPECT_EQ(descriptions[8].displayAtOne, 10.0f);
    EXPECT_FLOAT_EQ(descriptions[13].displayAtZero, 30.0f);
    EXPECT_FLOAT_EQ(descriptions[13].displayAtOne, 16000.0f);
    EXPECT_EQ(descriptions[16].displayAtZero, 100.0f); // "GR Range" runs downwards
    EXPECT_EQ(descriptions[16].displayAtOne, 0.0f);
    EXPECT_EQ(descriptions[17].displayAtZero, -24.0f);
    EXPECT_EQ(descriptions[17].displayAtOne, 24.0f);
}

TEST_F(HostParameterValues, ChoiceValuesSelectTheMiddleOfTheirTexts)
{
    const ParameterDescription ratio = corvex::host::describeParameter(*engine, kParamRatio);
    ASSERT_EQ(ratio.choices.size(), 5u);
    for (std::size_t index = 0; index < ratio.choices.size(); ++index)
    {
        const float value = ratio.choices[index].normalizedValue;
        EXPECT_NEAR(value, 0.1 + 0.2 * static_cast<double>(index), 1e-6) << index;
        EXPECT_EQ(valueText(kParamRatio, value), ratio.choices[index].text);
    }
}

TEST_F(HostParameterValues, TextsSelectSwitchesAndChoicesIgnoringCase)
{
    const std::vector<ParameterDescription> descriptions = describeParameters(*engine);
    EXPECT_EQ(normalizedFromText(descriptions[kParamEnableEffect], "off"), 0.0f);
    EXPECT_EQ(normalizedFromText(descriptions[kParamEnableEffect], "ON"), 1.0f);
    EXPECT_EQ(normalizedFromText(descriptions[kParamSideChainListen], "On"), 1.0f);

    const std::optional<float> all = normalizedFromText(descriptions[kParamRatio], "all");
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(valueText(kParamRatio, *all), "All");
    const std::optional<float> eight = normalizedFromText(descriptions[kParamRatio], "8");
    ASSERT_TRUE(eight.has_value());
    EXPECT_EQ(valueText(kParamRatio, *eight), "8");
    const std::optional<float> midOnly = normalizedFromText(descriptions[kParamSideChainDetectionMode], "m ONLY");
    ASSERT_TRUE(midOnly.has_value());
    EXPECT_EQ(valueText(kParamSideChainDetectionMode, *midOnly), "M only");

    EXPECT_FALSE(normalizedFromText(descriptions[kParamRatio], "9").has_value());
    EXPECT_FALSE(normalizedFromText(descriptions[kParamRatio], "Al").has_value());
    EXPECT_FALSE(normalizedFromText(descriptions[kParamEnableEffect], "yes").has_value());
    EXPECT_FALSE(normalizedFromText(descriptions[kParamInputGain], "").has_value());
    EXPECT_FALSE(normalizedFromText(descriptions[kParamInputGain], "On").has_value());
}

TEST_F(HostParameterValues, DisplayValuesInvertToTheirExactNormalizedValues)
{
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamInputGain, -24.0f), 0.5f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamInputGain, -48.0f), 0.0f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamOutputGain, 0.0f), 1.0f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamOutputGain, -12.0f), 0.75f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamDryWet, 50.0f), 0.5f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamDryWet, 25.0f), 0.25f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamAttackTime, 4.0f), 0.5f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamReleaseTime, 7.0f), 1.0f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamSideChainTimeWarp, -2.5f), 0.25f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamSideChainTimeWarp, 5.0f), 0.75f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamSideChainTimeWarp, 0.0f), 0.5f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamSideChainEqBellGain, 0.0f), 0.5f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamExternalSideChainGain, -24.0f), 0.0f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamExternalSideChainGain, 12.0f), 0.75f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamSideChainEqHighPassFreq, 20.0f), 0.0f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamSideChainEqLowPassFreq, 20000.0f), 1.0f);
}

TEST_F(HostParameterValues, DecreasingGainReductionRangeInverts)
{
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamGainReductionRange, 100.0f), 0.0f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamGainReductionRange, 0.0f), 1.0f);
    EXPECT_EQ(normalizedFromDisplayValue(*engine, kParamGainReductionRange, -0.0f), 1.0f);
    const std::optional<float> twelve = normalizedFromDisplayValue(*engine, kParamGainReductionRange, 12.0f);
    ASSERT_TRUE(twelve.has_value());
    EXPECT_FLOAT_EQ(*twelve, 0.5f);
    EXPECT_EQ(display(kParamGainReductionRange, *twelve), 12.0f);
    // Between table points 24 and 12 dB (positions 2/6 and 3/6) the range is linear: 18 dB lies halfway.
    const std::optional<float> eighteen = normalizedFromDisplayValue(*engine, kParamGainReductionRange, 18.0f);
    ASSERT_TRUE(eighteen.has_value());
    EXPECT_NEAR(*eighteen, 2.5 / 6.0, 1e-6);
}

TEST_F(HostParameterValues, LogarithmicFrequenciesInvertToTheirPositions)
{
    // The geometric mean of a logarithmic range sits at 0.5.
    const std::optional<float> highPass = normalizedFromDisplayValue(*engine, kParamSideChainEqHighPassFreq,
                                                                     static_cast<float>(std::sqrt(20.0 * 1200.0)));
    ASSERT_TRUE(highPass.has_value());
    EXPECT_NEAR(*highPass, 0.5, 1e-6);
    const std::optional<float> bell = normalizedFromDisplayValue(*engine, kParamSideChainEqBellFreq, 1000.0f);
    ASSERT_TRUE(bell.has_value());
    EXPECT_NEAR(*bell, std::log(1000.0 / 30.0) / std::log(16000.0 / 30.0), 1e-6);
}

// The result is the representable normalized value whose display lies nearest
// the target: neither float neighbour does better.
TEST_F(HostParameterValues, InversionPicksTheNearestRepresentableValue)
{
    struct Target
    {
        int id;
        float displayValue;
    };
    const std::vector<Target> targets = {{kParamAttackTime, 4.5f},          {kParamInputGain, -7.3f},
                                         {kParamDryWet, 33.3f},             {kParamSideChainTimeWarp, 7.77f},
                                         {kParamSideChainEqLowPassFreq, 5000.0f}, {kParamGainReductionRange, 3.3f},
                                         {kParamSideChainEqBellGain, -11.99f}};
    for (const Target& target : targets)
    {
        const std::optional<float> found = normalizedFromDisplayValue(*engine, target.id, target.displayValue);
        ASSERT_TRUE(found.has_value()) << target.id;
        const float error = std::fabs(display(target.id, *found) - target.displayValue);
        const float below = std::nextafter(*found, 0.0f);
        const float above = std::nextafter(*found, 1.0f);
        EXPECT_LE(error, std::fabs(display(target.id, below) - target.displayValue)) << target.id;
        if (*found < 1.0f)
        {
            EXPECT_LE(error, std::fabs(display(target.id, above) - target.displayValue)) << target.id;
        }
        EXPECT_LT(error, 1e-3f * std::fabs(target.displayValue)) << target.id;
    }
}

TEST_F(HostParameterValues, EveryShownValueRoundTrips)
{
    for (const ParameterDescription& description : describeParameters(*engine))
    {
        if (description.kind != ParameterKind::Continuous)
            continue;
        for (int step = 0; step <= 200; ++step)
        {
            const float shown = display(description.id, static_cast<float>(step) / 200.0f);
            const std::optional<float> found = normalizedFromDisplayValue(*engine, description.id, shown);
            ASSERT_TRUE(found.has_value()) << description.name << " " << shown;
            EXPECT_EQ(display(description.id, *found), shown) << description.name;
        }
    }
}

TEST_F(HostParameterValues, ValuesOutsideTheRangeOrWithoutMappingAreRefused)
{
    EXPECT_FALSE(normalizedFromDisplayValue(*engine, kParamInputGain, 0.5f).has_value());
    EXPECT_FALSE(normalizedFromDisplayValue(*engine, kParamInputGain, -48.5f).has_value());
    EXPECT_FALSE(normalizedFromDisplayValue(*engine, kParamGainReductionRange, 100.5f).has_value());
    EXPECT_FALSE(normalizedFromDisplayValue(*engine, kParamGainReductionRange, -1.0f).has_value());
    EXPECT_FALSE(normalizedFromDisplayValue(*engine, kParamSideChainEqHighPassFreq, 19.0f).has_value());
    EXPECT_FALSE(normalizedFromDisplayValue(*engine, kParamDryWet, std::numeric_limits<float>::quiet_NaN()).has_value());
    EXPECT_FALSE(normalizedFromDisplayValue(*engine, kParamDryWet, std::numeric_limits<float>::infinity()).has_value());
    EXPECT_FALSE(normalizedFromDisplayValue(*engine, kParamEnableEffect, 0.0f).has_value());
    EXPECT_FALSE(normalizedFromDisplayValue(*engine, kParamRatio, 0.0f).has_value());
}

TEST(HostTextCompare, IgnoresAsciiCaseOnly)
{
    EXPECT_TRUE(corvex::host::equalsIgnoringCase("Dry / Wet", "dry / WET"));
    EXPECT_FALSE(corvex::host::equalsIgnoringCase("Ratio", "Ratios"));
    EXPECT_FALSE(corvex::host::equalsIgnoringCase("M only", "M  only"));
    EXPECT_TRUE(corvex::host::equalsIgnoringCase("", ""));
}

} // namespace
