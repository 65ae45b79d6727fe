#pragma once

#include "engine/corvex_engine.h"

#include <string>
#include <vector>

namespace corvex::host
{

// How a host presents a parameter, decided from the engine's value texts:
// two texts make a switch, more make a choice, none a continuous value.
enum class ParameterKind
{
    Switch,
    Choice,
    Continuous
};

// One text of a switch or choice and the normalized value a host stores to select it.
// Switches select with 0 and 1; choices with the middle of each text's range.
struct ParameterChoice
{
    std::string text;
    float normalizedValue;
};

// Everything a host shows about one parameter, read from the engine itself.
struct ParameterDescription
{
    int id;
    std::string name;
    std::string unit;
    ParameterKind kind;
    std::vector<ParameterChoice> choices; // switch and choice only, in rising normalized order
    float displayAtZero;                  // getDisplayValue at 0; may exceed displayAtOne ("GR Range")
    float displayAtOne;                   // getDisplayValue at 1
    float defaultNormalizedValue;         // the engine's stored value when described
};

// Describes one parameter (id 0 to kNumParameters - 1). The engine's stored value
// is taken as the default, so describe a freshly created engine. Makes only valid
// calls, so the engine never reports.
ParameterDescription describeParameter(CorvexEngine& engine, int parameterId);

// Describes all kNumParameters parameters in identifier order.
std::vector<ParameterDescription> describeParameters(CorvexEngine& engine);

// The name of a kind as shown to users: "switch", "choice" or "continuous".
const char* parameterKindName(ParameterKind kind);

} // namespace corvex::host
