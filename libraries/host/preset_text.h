#pragma once

#include "libraries/host/parameter_value_text.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvex::host
{

// A preset is plain text, one parameter a line:
//
//     # Corvex preset: one parameter a line, NAME = VALUE, the value as displayed
//     Input Gain = -14 dB
//     Ratio = 4
//
// NAME is the engine's parameter name in any case, or its identifier; VALUE is
// a switch or choice text, or a number with an optional unit, as
// normalizedFromValueText reads it. Blank lines and '#' comments are ignored;
// parameters not listed keep their defaults.

// One "NAME = VALUE" line, the name resolved, the value as written.
struct PresetEntry
{
    int parameterId;
    std::string valueText;
};

// The entries of a preset in the order of its lines. Throws ParameterTextError
// "preset 'SOURCE' line N: ..." for a line without '=', an unknown name or a
// parameter given twice.
std::vector<PresetEntry> readPresetEntries(std::string_view text, const std::vector<ParameterDescription>& parameters,
                                           std::string_view source);

// The normalized values a preset sets, in the order of its lines, through the
// engine's own mapping. Throws ParameterTextError as readPresetEntries does, and
// for a value the parameter cannot take.
std::vector<ParameterValue> parsePreset(CorvexEngine& engine, const std::vector<ParameterDescription>& parameters,
                                        std::string_view text, std::string_view source);

// The engine's current values of all parameters as a preset, one line each in
// identifier order after a comment line, written by valueTextFromNormalized.
std::string writePreset(CorvexEngine& engine, const std::vector<ParameterDescription>& parameters);

} // namespace corvex::host
