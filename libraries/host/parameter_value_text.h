#pragma once

#include "libraries/host/parameter_description.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvex::host
{

// A parameter name or value written by a user (an option, a preset, an
// automation file) that the engine cannot take. The message is one line and
// says why; the caller names the option or file in front of it.
class ParameterTextError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A parameter and the normalized value to give it.
struct ParameterValue
{
    int parameterId;
    float normalizedValue;
};

// The parameter named by its engine name (ignoring case) or by its identifier; nullptr when none.
const ParameterDescription* findParameter(const std::vector<ParameterDescription>& parameters,
                                          std::string_view nameOrId);

// A number, optionally followed by the unit, in any case, with or without a
// space ("100", "100 Hz", "-6dB", "+3"). Empty for anything else.
std::optional<double> parseNumber(std::string_view text, std::string_view unit);

// The normalized value of a value as the user sees it: a switch or choice text
// ("On", "All", "m only"; any case) or a number on the parameter's display
// scale with an optional unit, turned into a normalized value by inverting the
// engine's own display mapping. Throws ParameterTextError for a text that is
// not among the choices, a number that cannot be read and one out of range.
float normalizedFromValueText(CorvexEngine& engine, const ParameterDescription& parameter, std::string_view valueText);

// The plain value of the same text as the plug-ins hold it: the number for a
// continuous parameter, the index of the text for a switch or choice. Throws
// as normalizedFromValueText does.
float plainValueFromValueText(const ParameterDescription& parameter, std::string_view valueText);

// A normalized value written as a number from 0 to 1; throws ParameterTextError otherwise.
float normalizedFromNumberText(std::string_view text);

// The text that normalizedFromValueText reads back as the normalized value: the
// engine's text of a switch or choice ("On"), which reads back as the value that
// selects it; for a continuous parameter the display value with the fewest
// significant digits (6 to 9) that reads back to the same value, and the unit
// ("-14 dB", "120 Hz"). Where several normalized values display the same float,
// no text tells them apart: the text reads back as the lowest of them.
std::string valueTextFromNormalized(CorvexEngine& engine, const ParameterDescription& parameter,
                                    float normalizedValue);

} // namespace corvex::host
