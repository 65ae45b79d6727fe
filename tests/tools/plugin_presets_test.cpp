// The plug-in's plain values and presets: what a plain value selects, its
// factory programs are the factory presets' texts (the same normalized values
// through its plain values as through the preset parser), and the user's
// preset files go round through their text.
#include "plugins/corvex/factory_programs.h"
#include "plugins/corvex/parameter_values.h"
#include "plugins/corvex/user_presets.h"

#include "libraries/host/factory_presets.h"
#include "libraries/host/preset_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <tuple>

namespace
{

using namespace corvex;

struct Presets : ::testing::Test
{
    std::unique_ptr<CorvexEngine> engine{createCorvexEngine()};
    std::vector<host::ParameterDescription> parameters = host::describeParameters(*engine);
};

// What a plug-in control's plain value selects: a display value through the
// engine's own mapping, beyond the range its nearest end (also when the range
// falls, as "GR Range" does); a switch is on above zero; a choice takes the
// nearest index and the middle of its range of normalized values ([0, 0.2) for
// the first of five); not a number selects nothing.
TEST_F(Presets, PlainValuesSelectTheirNormalizedValues)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), firstOfFive = std::nextafter(0.2f, 0.0f) / 2;
    const std::tuple<int, float, std::optional<float>> cases[] = {{kParamInputGain, -6.0f, 0.875f},
                                                                  {kParamInputGain, -60.0f, 0.0f},
                                                                  {kParamInputGain, 5.0f, 1.0f},
                                                                  {kParamInputGain, nan, std::nullopt},
                                                                  {kParamGainReductionRange, 200.0f, 0.0f},
                                                                  {kParamGainReductionRange, -5.0f, 1.0f},
                                                                  {kParamEnableEffect, 0.001f, 1.0f},
                                                                  {kParamEnableEffect, 0.0f, 0.0f},
                                                                  {kParamSideChainEqOn, -1.0f, 0.0f},
                                                                  {kParamRatio, 2.4f, 0.5f},
                                                                  {kParamRatio, 2.5f, 0.7f},
                                                                  {kParamRatio, 9.0f, 0.9f},
                                                                  {kParamRatio, -3.0f, firstOfFive}};
    for (const auto& [id, plainValue, normalized] : cases)
        EXPECT_EQ(plugin::normalizedFromPlainValue(*engine, parameters[id], plainValue), normalized)
            << parameters[id].name << " at " << plainValue;
}

TEST_F(Presets, FactoryProgramsSetWhatTheirTextsSay)
{
    const auto programs = plugin::factoryPrograms();
    const auto presets = host::factoryPresets();
    ASSERT_EQ(programs.size(), presets.size());
    for (std::size_t index = 0; index < programs.size(); ++index)
    {
        SCOPED_TRACE(presets[index].name);
        EXPECT_STREQ(programs[index].name, presets[index].name);
        const auto parsed = host::parsePreset(*engine, parameters, presets[index].text, presets[index].name);
        ASSERT_EQ(programs[index].settings.size(), parsed.size());
        for (std::size_t i = 0; i < parsed.size(); ++i)
        {
            const plugin::ProgramSetting& setting = programs[index].settings[i];
            EXPECT_EQ(setting.parameterId, parsed[i].parameterId);
            EXPECT_EQ(plugin::normalizedFromPlainValue(*engine, parameters[setting.parameterId], setting.plainValue),
                      parsed[i].normalizedValue);
        }
    }
}

// Every factory preset as the interface holds it (plain values), saved as a
// user's preset and loaded again: the same plain values; the parameters a
// text leaves out load their defaults.
TEST_F(Presets, UserPresetsKeepEveryControlThroughTheirText)
{
    for (const host::FactoryPreset& preset : host::factoryPresets())
    {
        SCOPED_TRACE(preset.name);
        const plugin::PlainValues values = plugin::plainValuesFromPreset(*engine, parameters, preset.text, preset.name);
        const std::string text = plugin::presetFromPlainValues(*engine, parameters, values);
        EXPECT_EQ(plugin::plainValuesFromPreset(*engine, parameters, text, "saved"), values);
    }
    const plugin::PlainValues ratioOnly = plugin::plainValuesFromPreset(*engine, parameters, "Ratio = 20", "x");
    EXPECT_EQ(ratioOnly[kParamRatio], 3.0f);
    EXPECT_EQ(ratioOnly[kParamInputGain], -24.0f);
    EXPECT_THROW(plugin::plainValuesFromPreset(*engine, parameters, "Ratio = 21", "x"), host::ParameterTextError);
}

#if !defined(_WIN32)
TEST(UserPresetFolder, FollowsTheDataHomeElseTheHomeFolder)
{
    const struct
    {
        const char *dataHome, *home, *folder;
    } cases[] = {{"/data", "/home/u", "/data/Corvex/Presets"},
                 {"", "/home/u", "/home/u/.local/share/Corvex/Presets"},
                 {"", "", ""}};
    for (const auto& row : cases)
    {
        setenv("XDG_DATA_HOME", row.dataHome, 1);
        setenv("HOME", row.home, 1);
        EXPECT_EQ(plugin::userPresetFolder().string(), row.folder);
    }
}
#endif

} // namespace
