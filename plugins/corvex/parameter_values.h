#pragma once

#include "libraries/host/parameter_description.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvex::plugin
{

// What a plug-in parameter of an engine parameter holds (its plain value): the engine's display
// value for a continuous parameter; for a switch or choice, the index of its
// value text (0 "Off", 1 "On"; 0 "4" to 4 "All").
struct PlainRange
{
    float minimum;
    float maximum;
};

PlainRange plainRange(const host::ParameterDescription& description);

// The plain value that shows the given normalized value.
float plainValueFromNormalized(CorvexEngine& engine, const host::ParameterDescription& description,
                              float normalizedValue);

// The normalized value a plain value selects, through the engine's own display
// mapping. A value outside the range selects the nearest end; a switch is
// on above zero; a choice takes the nearest index. Empty for a value that is not
// a number. Makes only valid engine calls and allocates nothing.
std::optional<float> normalizedFromPlainValue(CorvexEngine& engine, const host::ParameterDescription& description,
                                             float plainValue);

// A plain value as the plug-in writes it, with its unit: the engine's text for a
// switch or choice ("Linked", "On"), the display value in four figures at most
// for a continuous parameter, so that it keeps still while a knob turns
// ("-12.0 dB", "693 Hz", thousands of hertz in kilohertz: "20.0 kHz").
std::string plainValueText(CorvexEngine& engine, const host::ParameterDescription& description, float plainValue);

// The plain value a text names: a switch's or choice's text, or a number in the
// range with or without its unit ("kHz" for a frequency too). Empty when none.
std::optional<float> plainValueFromText(const host::ParameterDescription& description, std::string_view text);

// Whether a host should show a continuous parameter on a logarithmic scale:
// both ends positive and the engine's display value halfway along the
// normalized range nearer the geometric than the arithmetic mean of the ends.
bool isLogarithmic(CorvexEngine& engine, const host::ParameterDescription& description);

} // namespace corvex::plugin
