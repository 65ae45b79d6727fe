#include "plugins/corvex/parameter_values.h"

#include "libraries/host/display_value_inversion.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>

namespace corvex::plugin
{

namespace
{

// Room for every value text of the engine; one more character keeps it terminated.
constexpr int kValueTextCapacity = 64;

} // namespace

PlainRange plainRange(const host::ParameterDescription& description)
{
    if (description.kind == host::ParameterKind::Continuous)
    {
        return {std::min(description.displayAtZero, description.displayAtOne),
                std::max(description.displayAtZero, description.displayAtOne)};
    }
    return {0.0f, static_cast<float>(description.choices.size() - 1)};
}

float plainValueFromNormalized(CorvexEngine& engine, const host::ParameterDescription& description,
                              float normalizedValue)
{
    if (description.kind == host::ParameterKind::Continuous)
        return engine.getDisplayValue(description.id, normalizedValue);

    char text[kValueTextCapacity + 1] = {};
    engine.getValueText(description.id, normalizedValue, text, kValueTextCapacity);
    const auto match = std::ranges::find(description.choices, std::string_view(text), &host::ParameterChoice::text);
    return static_cast<float>(match - description.choices.begin());
}

std::optional<float> normalizedFromPlainValue(CorvexEngine& engine, const host::ParameterDescription& description,
                                             float plainValue)
{
    if (std::isnan(plainValue))
        return std::nullopt;
    const PlainRange range = plainRange(description);
    const float clamped = std::clamp(plainValue, range.minimum, range.maximum);
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

bool isLogarithmic(CorvexEngine& engine, const host::ParameterDescription& description)
{
    const double low = description.displayAtZero;
    const double high = description.displayAtOne;
    if (description.kind != host::ParameterKind::Continuous || !(low > 0.0 && high > 0.0))
        return false;
    const double middle = engine.getDisplayValue(description.id, 0.5f);
    return std::fabs(middle - std::sqrt(low * high)) < std::fabs(middle - 0.5 * (low + high));
}

} // namespace corvex::plugin
