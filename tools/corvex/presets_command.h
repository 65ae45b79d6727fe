#pragma once

#include <string>

namespace corvex::tool
{

// corvex presets [NAME]: prints the factory presets' names, one a line, or the
// text of the one named (any case), ready to be saved and edited as a preset
// file. Throws UsageError for an unknown name.
void runPresetsCommand(const std::string& name);

} // namespace corvex::tool
