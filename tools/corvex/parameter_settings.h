#pragma once

#include "libraries/host/parameter_description.h"
#include "libraries/host/parameter_value_text.h"

#include <string>
#include <vector>

namespace corvex::tool
{

// One parameter value requested on the command line or by a preset, checked and normalized.
using ParameterSetting = host::ParameterValue;

// The parameters requested by --set NAME=VALUE (the value the user sees: a switch
// or choice text, or a number in the parameter's unit, which may follow it) and
// --norm NAME=VALUE (a normalized value from 0 to 1). NAME is the engine's name,
// in any case, or the identifier. Throws UsageError naming the option for an
// unknown name, a value out of range or not among the texts, or a parameter
// given twice. Display values become normalized values through the engine's own
// mapping (host::normalizedFromValueText).
std::vector<ParameterSetting> parseParameterSettings(CorvexEngine& engine,
                                                     const std::vector<host::ParameterDescription>& parameters,
                                                     const std::vector<std::string>& displaySettings,
                                                     const std::vector<std::string>& normalizedSettings);

// True when settings hold a value for the parameter.
bool containsParameter(const std::vector<ParameterSetting>& settings, int parameterId);

// Settings with each of the overrides in place of the setting of the same parameter, or added.
std::vector<ParameterSetting> overrideSettings(std::vector<ParameterSetting> settings,
                                               const std::vector<ParameterSetting>& overrides);

void applyParameterSettings(CorvexEngine& engine, const std::vector<ParameterSetting>& settings);

// The given parameters as the engine now shows them, read back from it:
// "Ratio 8, SC EQ HPF Freq 100 Hz". Empty for no settings.
std::string describeSettings(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                             const std::vector<ParameterSetting>& settings);

} // namespace corvex::tool
