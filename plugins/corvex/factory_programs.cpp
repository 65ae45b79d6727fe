#include "plugins/corvex/factory_programs.h"
#include "libraries/host/host_floating_point_mode.h"

#include "libraries/host/factory_presets.h"
#include "libraries/host/preset_text.h"

#include "corvex_engine.h"

#include <memory>
#include <vector>

namespace corvex::plugin
{
namespace
{

// The factory presets as programs, their plain values read from the texts with
// the parameters of an engine of their own.
struct ProgramTable
{
    std::vector<std::vector<ProgramSetting>> settings;
    std::vector<FactoryProgram> programs;
};

ProgramTable makeProgramTable()
{
    const std::unique_ptr<CorvexEngine> engine = host::createEngineOnHostThread();
    const std::vector<host::ParameterDescription> parameters = host::describeParameters(*engine);
    ProgramTable table;
    for (const host::FactoryPreset& preset : host::factoryPresets())
    {
        std::vector<ProgramSetting>& settings = table.settings.emplace_back();
        for (const host::PresetEntry& entry : host::readPresetEntries(preset.text, parameters, preset.name))
        {
            const host::ParameterDescription& parameter = parameters[static_cast<std::size_t>(entry.parameterId)];
            settings.push_back({entry.parameterId, host::plainValueFromValueText(parameter, entry.valueText)});
        }
    }
    for (std::size_t index = 0; index < table.settings.size(); ++index)
        table.programs.push_back({host::factoryPresets()[index].name, table.settings[index]});
    return table;
}

} // namespace

std::span<const FactoryProgram> factoryPrograms()
{
    static const ProgramTable table = makeProgramTable();
    return table.programs;
}

} // namespace corvex::plugin
