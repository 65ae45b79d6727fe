#pragma once

#include "libraries/host/parameter_description.h"

#include <optional>

namespace corvex::lv2
{

// What an LV2 control port of an engine parameter holds: the engine's display
// value for a continuous parameter; for a switch or choice, the index of its
// value text (0 "Off", 1 "On"; 0 "4" to 4 "All").
struct PortRange
{
    float minimum;
    float maximum;
};

PortRange portRange(const host::ParameterDescription& description);

// The port value that shows the given normalized value.
float portValueFromNormalized(CorvexEngine& engine, const host::ParameterDescription& description,
                              float normalizedValue);

// The normalized value a port value selects, through the engine's own display
// mapping. A value outside the port's range selects the nearest end; a switch is
// on above zero; a choice takes the nearest index. Empty for a value that is not
// a number. Makes only valid engine calls and allocates nothing.
std::optional<float> normalizedFromPortValue(CorvexEngine& engine, const host::ParameterDescription& description,
                                             float portValue);

} // namespace corvex::lv2
