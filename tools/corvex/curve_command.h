#pragma once

#include "tools/corvex/engine_session.h"
#include "tools/corvex/parameter_settings.h"

#include <filesystem>
#include <string>
#include <vector>

namespace corvex::tool
{

// Writes the static curve as CSV: for input levels from -60 to 0 dBFS in 1 dB
// steps, the steady-state output level of a 1 kHz sine, one column per "Ratio"
// choice ("ratio_4", ...) unless the settings fix the ratio (one column, named
// by its text). session supplies the parameter descriptions and texts; every
// point is rendered on a fresh engine.
void writeCurveCsv(const std::filesystem::path& csv, const EngineSession& session,
                   const std::vector<ParameterSetting>& settings);

// corvex curve [--set NAME=VALUE]... [--norm NAME=VALUE]... CSV
void runCurveCommand(const std::filesystem::path& csv, const std::vector<std::string>& displaySettings,
                     const std::vector<std::string>& normalizedSettings);

} // namespace corvex::tool
