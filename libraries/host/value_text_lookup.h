#pragma once

#include "libraries/host/parameter_description.h"

#include <optional>
#include <string_view>

namespace corvex::host
{

// The normalized value that selects text ("on", "All", "m only"; ASCII case is
// ignored) on a switch or choice, as listed in its description's choices, which
// come from the engine's getValueText. Empty for an unknown text or a continuous
// parameter.
std::optional<float> normalizedFromText(const ParameterDescription& description, std::string_view text);

} // namespace corvex::host
