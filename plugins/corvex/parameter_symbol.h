#pragma once

#include <string>

namespace corvex::plugin
{

// A parameter symbol from an engine name: "Dry / Wet" becomes "dry_wet". Hosts
// store LV2 controls by symbol, so the rule never changes.
std::string symbolFromName(const std::string& name);

} // namespace corvex::plugin
