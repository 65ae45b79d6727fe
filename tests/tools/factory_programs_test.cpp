// The factory programs, now read from the factory presets' texts, give the
// normalized values they gave as C++ tables: through the plug-in's plain values
// and through the preset parser alike.
#include "plugins/corvex/factory_programs.h"
#include "plugins/corvex/parameter_values.h"

#include "libraries/host/factory_presets.h"
#include "libraries/host/preset_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>

namespace
{

struct Program
{
    const char* name;
    std::vector<std::pair<int, std::uint32_t>> values; // parameter id, bits of the normalized value
};

// Recorded from the tables before the move: float bits, since the engine's mapping is matched exactly.
const Program kRecorded[] = {
    {"Default", {}},
    {"Vocal Leveller", {{1, 0x3f355555u}, {2, 0x3f2aaaabu}, {3, 0x3eaaaaaau}, {4, 0x3f2aaaaau}, {5, 0x3dccccccu},
                        {9, 0x3f800000u}, {10, 0x3f800000u}, {12, 0x3ee00f7du}}},
    {"Drum Bus Glue", {{1, 0x3f2aaaabu}, {2, 0x3f155555u}, {3, 0x3f2aaaaau}, {4, 0x3e2aaaaau}, {5, 0x3dccccccu},
                       {7, 0x3f000000u}, {6, 0x3f333333u}}},
    {"Parallel Crush", {{1, 0x3f600000u}, {2, 0x3f200000u}, {3, 0x00000000u}, {4, 0x00000000u}, {5, 0x3f333333u},
                        {7, 0x3f000000u}, {6, 0x3ee66666u}}},
    {"Bass Control", {{1, 0x3f2aaaabu}, {2, 0x3f200000u}, {3, 0x3f000000u}, {4, 0x3f000000u}, {5, 0x3e999999u},
                      {9, 0x3f800000u}, {10, 0x3f800000u}, {12, 0x3e8961cfu}}},
    {"De-Esser", {{1, 0x3f400000u}, {2, 0x3f400000u}, {3, 0x00000000u}, {4, 0x3e2aaaaau}, {5, 0x3e999999u},
                  {9, 0x3f800000u}, {10, 0x3f800000u}, {12, 0x3f800000u}, {13, 0x3f5b466au}, {14, 0x3f800000u},
                  {16, 0x3f1c71c7u}}},
    {"Mix Bus Limiter", {{1, 0x3f400000u}, {2, 0x3f3aaaaau}, {3, 0x00000000u}, {4, 0x3eaaaaaau}, {5, 0x3f666666u},
                         {7, 0x3f000000u}, {8, 0x3f400000u}}},
    {"Side-Chain Ducker", {{1, 0x3f000000u}, {2, 0x3f000000u}, {3, 0x3e2aaaaau}, {4, 0x3f000000u}, {5, 0x3e999999u},
                           {18, 0x3f800000u}, {17, 0x3f400000u}, {7, 0x3f000000u}}},
};

TEST(FactoryPresets, GiveTheValuesOfTheFormerProgramTables)
{
    const std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    const auto parameters = corvex::host::describeParameters(*engine);
    const auto programs = corvex::plugin::factoryPrograms();
    const auto presets = corvex::host::factoryPresets();
    ASSERT_EQ(programs.size(), std::size(kRecorded));
    ASSERT_EQ(presets.size(), std::size(kRecorded));
    for (std::size_t index = 0; index < programs.size(); ++index)
    {
        const Program& recorded = kRecorded[index];
        SCOPED_TRACE(recorded.name);
        EXPECT_STREQ(programs[index].name, recorded.name);
        EXPECT_EQ(corvex::host::findFactoryPreset(recorded.name), &presets[index]);
        const auto parsed = corvex::host::parsePreset(*engine, parameters, presets[index].text, recorded.name);
        std::vector<std::pair<int, std::uint32_t>> fromPlain, fromText;
        for (const corvex::plugin::ProgramSetting& setting : programs[index].settings)
        {
            const auto value = corvex::plugin::normalizedFromPlainValue(*engine, parameters[setting.parameterId],
                                                                        setting.plainValue);
            fromPlain.emplace_back(setting.parameterId, std::bit_cast<std::uint32_t>(value.value_or(-1.0f)));
        }
        for (const corvex::host::ParameterValue& value : parsed)
            fromText.emplace_back(value.parameterId, std::bit_cast<std::uint32_t>(value.normalizedValue));
        EXPECT_EQ(fromPlain, recorded.values);
        EXPECT_EQ(fromText, recorded.values);
    }
}

} // namespace
