#include "plugins/corvex/parameter_values.h"

#include "libraries/host/display_value_inversion.h"
#include "libraries/host/parameter_value_text.h"
#include "libraries/host/text_compare.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace corvex::plugin
{

namespace
{

// Room for every value text of the engine; one more character keeps it terminated.
constexpr int kValueTextCapacity = 64;

// A display value in four figures at most; thousands of hertz in kilohertz.
std::string displayNumber(double value, const std::string& unit)
{
    const bool kilo = unit == "Hz" && std::fabs(value) >= 1000.0;
    const double shown = kilo ? value / 1000.0 : value;
    const double magnitude = std::fabs(shown);
    const int decimals = magnitude >= 100.0 ? 0 : magnitude >= 1.0 ? 1 : 2;
    char text[kValueTextCapacity + 1] = {};
    std::snprintf(text, sizeof text, "%.*f", decimals, shown);
    std::string number = std::strcmp(text, "-0.0") == 0 || std::strcmp(text, "-0.00") == 0 ? text + 1 : text;
    if (kilo)
        return number + " kHz";
    return unit.empty() ? number : number + " " + unit;
}

} // namespace

std::string plainValueText(CorvexEngine& engine, const host::ParameterDescription& description, float plainValue)
{
    // What the engine holds for it (not a number: the default), as the engine shows it.
    const float normalized =
        normalizedFromPlainValue(engine, description, plainValue).value_or(description.defaultNormalizedValue);
    if (description.kind == host::ParameterKind::Continuous)
        return displayNumber(engine.getDisplayValue(description.id, normalized), description.unit);
    char text[kValueTextCapacity + 1] = {};
    engine.getValueText(description.id, normalized, text, kValueTextCapacity);
    return description.unit.empty() ? std::string(text) : std::string(text) + " " + description.unit;
}

std::optional<float> plainValueFromText(const host::ParameterDescription& description, std::string_view text)
{
    std::string written(text);
    // "20.0 kHz" for a frequency in hertz, as plainValueText writes it
    const std::size_t kilo = written.size() >= 3 ? written.size() - 3 : std::string::npos;
    if (description.unit == "Hz" && kilo != std::string::npos &&
        host::equalsIgnoringCase(written.substr(kilo), "kHz"))
    {
        if (const auto number = host::parseNumber(written.substr(0, kilo), ""))
            written = std::to_string(*number * 1000.0) + " Hz";
    }
    try
    {
        return host::plainValueFromValueText(description, written);
    }
    catch (const host::ParameterTextError&)
    {
        return std::nullopt;
    }
}

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
