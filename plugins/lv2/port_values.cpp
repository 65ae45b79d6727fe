#include "plugins/lv2/port_values.h"

#include "libraries/host/display_value_inversion.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>

namespace corvex::lv2
{

namespace
{

// Room for every value text of the engine; one more character keeps it terminated.
constexpr int kValueTextCapacity = 64;

} // namespace

PortRange portRange(const host::ParameterDescription& description)
{
    if (description.kind == host::ParameterKind::Continuous)
    {
        return {std::min(description.displayAtZero, description.displayAtOne),
                std::max(description.displayAtZero, description.displayAtOne)};
    }
    return {0.0f, static_cast<float>(description.choices.size() - 1)};
}

float portValueFromNormalized(CorvexEngine& engine, const host::ParameterDescription& description,
                              float normalizedValue)
{
    if (description.kind == host::ParameterKind::Continuous)
        return engine.getDisplayValue(description.id, normalizedValue);

    char text[kValueTextCapacity + 1] = {};
    engine.getValueText(description.id, normalizedValue, text, kValueTextCapacity);
    const auto match = std::ranges::find(description.choices, std::string_view(text), &host::ParameterChoice::text);
    return static_cast<float>(match - description.choices.begin());
}

std::optional<float> normalizedFromPortValue(CorvexEngine& engine, const host::ParameterDescription& description,
                                             float portValue)
{
    if (std::isnan(portValue))
        return std::nullopt;
    const PortRange range = portRange(description);
    const float clamped = std::clamp(portValue, range.minimum, range.maximum);
    switch (description.kind)
    {
    case host::ParameterKind::Continuous:
        return host::normalizedFromDisplayValue(engine, description.id, clamped);
    case host::ParameterKind::Switch:
        return description.choices[clamped > 0.0f ? 1 : 0].normalizedValue;
    case host::ParameterKind::Choice:
        break;
    }
    return description.choices[static_cast<std::size_t>(std::lround(clamped))].normalizedValue;
}

} // namespace corvex::lv2
