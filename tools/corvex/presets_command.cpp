#include "tools/corvex/presets_command.h"

#include "tools/corvex/usage_error.h"

#include "libraries/host/factory_presets.h"

#include <iostream>

namespace corvex::tool
{

void runPresetsCommand(const std::string& name)
{
    if (name.empty())
    {
        for (const host::FactoryPreset& preset : host::factoryPresets())
            std::cout << preset.name << '\n';
        return;
    }
    const host::FactoryPreset* preset = host::findFactoryPreset(name);
    if (preset == nullptr)
        throw UsageError("no factory preset is named '" + name + "' (corvex presets lists them)");
    std::cout << "# Corvex factory preset \"" << preset->name << "\"\n" << preset->text;
}

} // namespace corvex::tool
