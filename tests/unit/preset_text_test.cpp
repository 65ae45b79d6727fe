#include "libraries/host/automation_file.h"
#include "libraries/host/preset_text.h"

#include "corvex_engine.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

// The preset and automation formats: names in any case or by id, units and
// comments; the writer's text read back; one-line errors that name the line.
namespace
{

using namespace corvex::host;

struct Fixture
{
    std::unique_ptr<CorvexEngine> engine{createCorvexEngine()};
    std::vector<ParameterDescription> parameters = describeParameters(*engine);
};

using Row = std::tuple<std::int64_t, int, float>; // position (0 in presets), parameter id, normalized value

template <typename Item> // ParameterValue or AutomationPoint
std::vector<Row> rows(const std::vector<Item>& items)
{
    std::vector<Row> result;
    for (const Item& item : items)
        if constexpr (requires { item.positionSamples; })
            result.emplace_back(item.positionSamples, item.parameterId, item.normalizedValue);
        else
            result.emplace_back(0, item.parameterId, item.normalizedValue);
    return result;
}

// Input Gain shows -48 + 48 n dB, Dry / Wet 100 n %, External SC Gain -24 + 48 n dB; a choice's
// value is the middle of its fifth of [0, 1] on the float grid ("8" 0.29999998, "20" 0.7f, "All" 0.9f).
TEST(PresetText, ReadsNamesInAnyCaseIdsUnitsAndComments)
{
    Fixture f;
    const char* text = "# a comment\n\n  input gain = -6 dB # the rest is a comment\r\n5=All\nSC EQ ON = on\n"
                       "Dry / Wet = 45%\n17 = +12\n";
    EXPECT_EQ(rows(parsePreset(*f.engine, f.parameters, text, "x.txt")),
              (std::vector<Row>{{0, kParamInputGain, 0.875f}, {0, kParamRatio, 0.9f}, {0, kParamSideChainEqOn, 1.0f},
                                {0, kParamDryWet, 0.45f}, {0, kParamExternalSideChainGain, 0.75f}}));
}

// At 48 kHz 1.5 s is sample 72000, 0.00001 s 0.48 samples (0), 0.00002 s 0.96 (1); equal positions keep line order.
TEST(AutomationFile, PositionsInSamplesOrSecondsSortedInLineOrder)
{
    Fixture f;
    const char* text = "# position, name, value\n1.5 s, Ratio, 8\n100 , input gain , -6 dB\n\n"
                       "0.00001 s, SC EQ On, On # at the start\n72000, 5, 20\n0.00002S, Dry / Wet, 45 %\n";
    EXPECT_EQ(rows(parseAutomation(*f.engine, f.parameters, text, 48000, "a")),
              (std::vector<Row>{{0, kParamSideChainEqOn, 1.0f}, {1, kParamDryWet, 0.45f},
                                {100, kParamInputGain, 0.875f}, {72000, kParamRatio, 0.29999998f},
                                {72000, kParamRatio, 0.7f}}));
}

// Every parameter through text and back, over a sweep: each continuous
// parameter on a grid of normalized values, each switch and choice on every
// text. The text keeps what the engine displays. Where several normalized
// values display the same float no text tells them apart, and it reads back as
// the lowest; values read from text go round unchanged, text and all.
TEST(PresetText, WrittenValuesOfEveryParameterReadBackTheSame)
{
    Fixture f;
    constexpr int kSteps = 257;
    for (int step = 0; step <= kSteps; ++step)
    {
        std::vector<float> swept;
        for (const ParameterDescription& parameter : f.parameters)
        {
            swept.push_back(parameter.kind == ParameterKind::Continuous
                                ? static_cast<float>(step) / kSteps
                                : parameter.choices[step % parameter.choices.size()].normalizedValue);
            f.engine->setNormalizedValue(parameter.id, swept.back());
        }
        const std::string text = writePreset(*f.engine, f.parameters);
        SCOPED_TRACE(text);
        const std::vector<ParameterValue> readBack = parsePreset(*f.engine, f.parameters, text, "written");
        ASSERT_EQ(readBack.size(), swept.size());
        for (const auto& [id, value] : readBack)
        {
            EXPECT_EQ(f.engine->getDisplayValue(id, value), f.engine->getDisplayValue(id, swept[id]));
            f.engine->setNormalizedValue(id, value);
        }
        EXPECT_EQ(writePreset(*f.engine, f.parameters), text);
        EXPECT_EQ(rows(parsePreset(*f.engine, f.parameters, text, "written")), rows(readBack));
    }
    f.engine->resetParameters();
    EXPECT_NE(writePreset(*f.engine, f.parameters).find("\nInput Gain = -24 dB\nOutput Gain = -24 dB\nAttack Time = 4\n"
                                                        "Release Time = 4\nRatio = 4\nDry / Wet = 100 %\n"),
              std::string::npos);
}

// An "@" in front makes the text an automation file.
TEST(PresetText, ErrorsInPresetsAndAutomationAreOneLineNamingTheLine)
{
    Fixture f;
    const std::string position = "is not a position: a sample index from 0 (48000) or seconds (1.5 s)";
    const std::pair<const char*, std::string> cases[] = {
        {"Ratio = 4\n\nFoo = 3\n", "preset 'x.txt' line 3: unknown parameter \"Foo\""},
        {"# gain\nInput Gain = 3 dB\n",
         "preset 'x.txt' line 2: 3 dB is outside the range of \"Input Gain\", -48 to 0 dB"},
        {"Ratio 4\n", "preset 'x.txt' line 1: expected NAME = VALUE, not \"Ratio 4\""},
        {"Ratio = 4\nratio = 8\n", "preset 'x.txt' line 2: \"Ratio\" is given more than once"},
        {"Ratio = 7", "preset 'x.txt' line 1: \"7\" is not a value of \"Ratio\" (4, 8, 12, 20, All)"},
        {"\n\n\n\nInput Gain = -6 Hz\n", "preset 'x.txt' line 5: \"-6 Hz\" is not a number in dB"},
        {"@0, Ratio, 8\n1.5, Ratio, 8\n", "automation 'a.csv' line 2: \"1.5\" " + position},
        {"@# x\n10, Ratio\n", "automation 'a.csv' line 2: expected POSITION, NAME, VALUE, not \"10, Ratio\""},
        {"@10, Ratio, 8, 9\n", "automation 'a.csv' line 1: expected POSITION, NAME, VALUE, not \"10, Ratio, 8, 9\""},
        {"@\n10, Knee, 3\n", "automation 'a.csv' line 2: unknown parameter \"Knee\""},
    };
    for (const auto& [text, message] : cases)
        try
        {
            text[0] == '@' ? (void)parseAutomation(*f.engine, f.parameters, text + 1, 48000, "a.csv")
                           : (void)parsePreset(*f.engine, f.parameters, text, "x.txt");
            ADD_FAILURE() << "no error for: " << text;
        }
        catch (const ParameterTextError& error)
        {
            EXPECT_EQ(error.what(), message);
        }
}

} // namespace
