#pragma once

#include "tools/corvex/parameter_settings.h"

namespace corvex::tool
{

// The steady-state output level, in dBFS (peak of the equivalent sine), of a
// 1 kHz sine of the given peak level played through a fresh engine at 48 kHz
// with these settings, measured as host::steadyStateOutputDb does.
double steadyStateOutputDb(const std::vector<ParameterSetting>& settings, double inputDb);

} // namespace corvex::tool
