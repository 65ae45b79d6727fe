#include "libraries/host/preset_text.h"

#include "corvex_engine.h"

#include <gtest/gtest.h>

#include <memory>

// The preset format: names in any case or by id, comments, units; the writer's
// text read back to the same values; one-line errors that name the line.
namespace
{

using namespace corvex::host;

struct Fixture
{
    std::unique_ptr<CorvexEngine> engine{createCorvexEngine()};
    std::vector<ParameterDescription> parameters = describeParameters(*engine);
};

void expectValues(const std::vector<ParameterValue>& actual, const std::vector<ParameterValue>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t index = 0; index < actual.size(); ++index)
    {
        EXPECT_EQ(actual[index].parameterId, expected[index].parameterId) << index;
        EXPECT_EQ(actual[index].normalizedValue, expected[index].normalizedValue) << index;
    }
}

// Input Gain shows -48 + 48 n dB, Dry / Wet 100 n %; a choice's value is the middle of its fifth of [0, 1].
TEST(PresetText, ReadsNamesInAnyCaseIdsUnitsAndComments)
{
    Fixture fixture;
    const char* text = "# a comment\n\n  input gain = -6 dB # the rest is a comment\r\n5=All\nSC EQ ON = on\n"
                       "Dry / Wet = 45%\n17 = +12\n";
    expectValues(parsePreset(*fixture.engine, fixture.parameters, text, "x.txt"),
                 {{kParamInputGain, 0.875f}, {kParamRatio, 0.9f}, {kParamSideChainEqOn, 1.0f}, {kParamDryWet, 0.45f},
                  {kParamExternalSideChainGain, 0.75f}});
}

TEST(PresetText, WritesTheFewestDigitsThatReadBack)
{
    Fixture fixture;
    const std::pair<int, float> values[] = {{kParamInputGain, 0.875f}, {kParamRatio, 0.9f}, {kParamDryWet, 0.45f},
                                            {kParamAttackTime, 0.5f}, {kParamGainReductionRange, 0.0f}};
    for (const auto& [id, value] : values)
        fixture.engine->setNormalizedValue(id, value);
    const std::string text = writePreset(*fixture.engine, fixture.parameters);
    for (const char* line : {"\nInput Gain = -6 dB\n", "\nRatio = All\n", "\nDry / Wet = 45 %\n",
                             "\nAttack Time = 4\n", "\nGR Range = 100 dB\n", "\nSC EQ HPF Freq = 20 Hz\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " missing in:\n" << text;
}

// Every parameter through text and back, over a sweep: each continuous
// parameter on a grid of normalized values, each switch and choice on every
// text. The text keeps what the engine displays. Where several normalized
// values display the same float, no text tells them apart and it reads back as
// the lowest; values read from text go round unchanged, text and all.
TEST(PresetText, WrittenValuesOfEveryParameterReadBackTheSame)
{
    Fixture fixture;
    CorvexEngine& engine = *fixture.engine;
    constexpr int kSteps = 257;
    for (int step = 0; step <= kSteps; ++step)
    {
        std::vector<ParameterValue> swept;
        for (const ParameterDescription& parameter : fixture.parameters)
        {
            const float value = parameter.kind == ParameterKind::Continuous
                                    ? static_cast<float>(step) / kSteps
                                    : parameter.choices[step % parameter.choices.size()].normalizedValue;
            engine.setNormalizedValue(parameter.id, value);
            swept.push_back({parameter.id, value});
        }
        const std::string text = writePreset(engine, fixture.parameters);
        SCOPED_TRACE(text);
        const std::vector<ParameterValue> readBack = parsePreset(engine, fixture.parameters, text, "written");
        ASSERT_EQ(readBack.size(), swept.size());
        for (const ParameterValue& value : readBack)
        {
            const float before = swept[value.parameterId].normalizedValue;
            EXPECT_EQ(engine.getDisplayValue(value.parameterId, value.normalizedValue),
                      engine.getDisplayValue(value.parameterId, before));
            engine.setNormalizedValue(value.parameterId, value.normalizedValue);
        }
        EXPECT_EQ(writePreset(engine, fixture.parameters), text);
        expectValues(parsePreset(engine, fixture.parameters, text, "written"), readBack);
    }
}

TEST(PresetText, ErrorsAreOneLineNamingTheLine)
{
    Fixture fixture;
    const std::pair<const char*, const char*> cases[] = {
        {"Ratio = 4\n\nFoo = 3\n", "preset 'x.txt' line 3: unknown parameter \"Foo\""},
        {"# gain\nInput Gain = 3 dB\n", "preset 'x.txt' line 2: 3 dB is outside the range of \"Input Gain\", -48 to 0 dB"},
        {"Ratio 4\n", "preset 'x.txt' line 1: expected NAME = VALUE, not \"Ratio 4\""},
        {"Ratio = 4\nratio = 8\n", "preset 'x.txt' line 2: \"Ratio\" is given more than once"},
        {"Ratio = 7", "preset 'x.txt' line 1: \"7\" is not a value of \"Ratio\" (4, 8, 12, 20, All)"},
        {"\n\n\n\nInput Gain = -6 Hz\n", "preset 'x.txt' line 5: \"-6 Hz\" is not a number in dB"},
        {"Attack Time = fast\n", "preset 'x.txt' line 1: \"fast\" is not a number in \"Attack Time\"'s scale"},
        {"20 = On\n", "preset 'x.txt' line 1: unknown parameter \"20\""},
    };
    for (const auto& [text, message] : cases)
    {
        try
        {
            parsePreset(*fixture.engine, fixture.parameters, text, "x.txt");
            ADD_FAILURE() << "no error for: " << text;
        }
        catch (const ParameterTextError& error)
        {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
}

} // namespace
