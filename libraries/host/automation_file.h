#pragma once

#include "libraries/host/parameter_value_text.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace corvex::host
{

// An automation file is plain text, one point a line:
//
//     # POSITION, NAME, VALUE
//     0, Input Gain, -14 dB
//     48000, Ratio, 8
//     1.5 s, SC EQ On, On
//
// POSITION counts input samples from 0, or is a time in seconds followed by
// "s", converted with the file's sample rate and rounded to the nearest sample.
// NAME and VALUE are read as in presets. Blank lines and '#' comments are ignored.

// A parameter value set on the engine right before the call that starts at positionSamples.
struct AutomationPoint
{
    std::int64_t positionSamples;
    int parameterId;
    float normalizedValue;
};

// The points of an automation file, sorted by position; points at one position
// keep the order of their lines, so that a later line wins. Throws
// ParameterTextError "automation 'SOURCE' line N: ..." for a line without three
// fields, a position that is neither a sample index nor seconds, an unknown name
// or a value the parameter cannot take.
std::vector<AutomationPoint> parseAutomation(CorvexEngine& engine, const std::vector<ParameterDescription>& parameters,
                                             std::string_view text, int sampleRate, std::string_view source);

} // namespace corvex::host
