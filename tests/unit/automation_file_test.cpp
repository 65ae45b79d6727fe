#include "libraries/host/automation_file.h"

#include "corvex_engine.h"

#include <gtest/gtest.h>

#include <memory>

// The automation format: positions in samples or seconds, points sorted with
// equal positions in line order, one-line errors that name the line.
namespace
{

using namespace corvex::host;

struct Fixture
{
    std::unique_ptr<CorvexEngine> engine{createCorvexEngine()};
    std::vector<ParameterDescription> parameters = describeParameters(*engine);
};

// At 48 kHz: 1.5 s is sample 72000; 0.00001 s is 0.48 samples (0), 0.00002 s 0.96 (1).
TEST(AutomationFile, PositionsInSamplesOrSecondsSortedInLineOrder)
{
    Fixture fixture;
    const char* text = "# position, name, value\n1.5 s, Ratio, 8\n100 , input gain , -6 dB\n\n"
                       "0.00001 s, SC EQ On, On # at the start\n72000, 5, 20\n0.00002S, Dry / Wet, 45 %\n";
    const std::vector<AutomationPoint> points = parseAutomation(*fixture.engine, fixture.parameters, text, 48000, "a");
    const std::vector<ParameterChoice>& ratios = fixture.parameters[kParamRatio].choices; // 4, 8, 12, 20, All
    const AutomationPoint expected[] = {{0, kParamSideChainEqOn, 1.0f}, {1, kParamDryWet, 0.45f},
                                        {100, kParamInputGain, 0.875f}, {72000, kParamRatio, ratios[1].normalizedValue},
                                        {72000, kParamRatio, ratios[3].normalizedValue}};
    ASSERT_EQ(points.size(), std::size(expected));
    for (std::size_t index = 0; index < points.size(); ++index)
    {
        EXPECT_EQ(points[index].positionSamples, expected[index].positionSamples) << index;
        EXPECT_EQ(points[index].parameterId, expected[index].parameterId) << index;
        EXPECT_EQ(points[index].normalizedValue, expected[index].normalizedValue) << index;
    }
}

TEST(AutomationFile, ErrorsAreOneLineNamingTheLine)
{
    Fixture fixture;
    const char* position = "is not a position: a sample index from 0 (48000) or seconds (1.5 s)";
    const std::pair<const char*, std::string> cases[] = {
        {"0, Ratio, 8\n1.5, Ratio, 8\n", "automation 'a.csv' line 2: \"1.5\" " + std::string(position)},
        {"-1, Ratio, 8\n", "automation 'a.csv' line 1: \"-1\" " + std::string(position)},
        {"-1 s, Ratio, 8\n", "automation 'a.csv' line 1: \"-1 s\" " + std::string(position)},
        {"soon, Ratio, 8\n", "automation 'a.csv' line 1: \"soon\" " + std::string(position)},
        {"# x\n10, Ratio\n", "automation 'a.csv' line 2: expected POSITION, NAME, VALUE, not \"10, Ratio\""},
        {"10, Ratio, 8, 9\n", "automation 'a.csv' line 1: expected POSITION, NAME, VALUE, not \"10, Ratio, 8, 9\""},
        {"\n10, Knee, 3\n", "automation 'a.csv' line 2: unknown parameter \"Knee\""},
        {"10, Dry / Wet, 101 %\n", "automation 'a.csv' line 1: 101 % is outside the range of \"Dry / Wet\", 0 to 100 %"},
    };
    for (const auto& [text, message] : cases)
    {
        try
        {
            parseAutomation(*fixture.engine, fixture.parameters, text, 48000, "a.csv");
            ADD_FAILURE() << "no error for: " << text;
        }
        catch (const ParameterTextError& error)
        {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
}

} // namespace
