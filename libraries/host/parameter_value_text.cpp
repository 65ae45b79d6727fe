#include "libraries/host/parameter_value_text.h"

#include "libraries/host/display_value_inversion.h"
#include "libraries/host/number_text.h"
#include "libraries/host/text_compare.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace corvex::host
{

namespace
{

// Room for every text the engine reports; one more character keeps it terminated.
constexpr int kTextCapacity = 64;

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::string choiceList(const ParameterDescription& parameter)
{
    std::string list;
    for (const ParameterChoice& choice : parameter.choices)
        list += (list.empty() ? "" : ", ") + choice.text;
    return list;
}

std::string rangeText(const ParameterDescription& parameter)
{
    std::string text = formatNumber(parameter.displayAtZero) + " to " + formatNumber(parameter.displayAtOne);
    return parameter.unit.empty() ? text : text + " " + parameter.unit;
}

std::size_t choiceIndex(const ParameterDescription& parameter, std::string_view text)
{
    const auto found = std::ranges::find_if(
        parameter.choices, [&](const ParameterChoice& choice) { return equalsIgnoringCase(choice.text, text); });
    if (found == parameter.choices.end())
        throw ParameterTextError(quoted(text) + " is not a value of " + quoted(parameter.name) + " (" +
                                 choiceList(parameter) + ")");
    return static_cast<std::size_t>(found - parameter.choices.begin());
}

float displayNumber(const ParameterDescription& parameter, std::string_view text)
{
    const std::optional<double> number = parseNumber(text, parameter.unit);
    if (!number)
        throw ParameterTextError(quoted(text) + " is not a number in " +
                                 (parameter.unit.empty() ? quoted(parameter.name) + "'s scale" : parameter.unit));
    return static_cast<float>(*number);
}

std::string numberText(double value, int significantDigits)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", significantDigits, value == 0.0 ? 0.0 : value);
    return text;
}

[[noreturn]] void throwOutOfRange(const ParameterDescription& parameter, std::string_view text)
{
    throw ParameterTextError(std::string(text) + " is outside the range of " + quoted(parameter.name) + ", " +
                             rangeText(parameter));
}

} // namespace

const ParameterDescription* findParameter(const std::vector<ParameterDescription>& parameters,
                                          std::string_view nameOrId)
{
    int id = -1;
    const char* end = nameOrId.data() + nameOrId.size();
    const auto [rest, error] = std::from_chars(nameOrId.data(), end, id);
    const bool isNumber = error == std::errc() && rest == end;
    const auto found = std::ranges::find_if(parameters, [&](const ParameterDescription& parameter) {
        return isNumber ? parameter.id == id : equalsIgnoringCase(parameter.name, nameOrId);
    });
    return found == parameters.end() ? nullptr : &*found;
}

std::optional<double> parseNumber(std::string_view text, std::string_view unit)
{
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || text.empty())
        return std::nullopt;
    const std::string_view suffix = trimSpaces(std::string_view(rest, static_cast<std::size_t>(end - rest)));
    if (!suffix.empty() && (unit.empty() || !equalsIgnoringCase(suffix, unit)))
        return std::nullopt;
    return value;
}

float normalizedFromValueText(CorvexEngine& engine, const ParameterDescription& parameter, std::string_view valueText)
{
    const std::string_view text = trimSpaces(valueText);
    if (parameter.kind != ParameterKind::Continuous)
        return parameter.choices[choiceIndex(parameter, text)].normalizedValue;
    const std::optional<float> value = normalizedFromDisplayValue(engine, parameter.id, displayNumber(parameter, text));
    if (!value)
        throwOutOfRange(parameter, text);
    return *value;
}

float plainValueFromValueText(const ParameterDescription& parameter, std::string_view valueText)
{
    const std::string_view text = trimSpaces(valueText);
    if (parameter.kind != ParameterKind::Continuous)
        return static_cast<float>(choiceIndex(parameter, text));
    const float value = displayNumber(parameter, text);
    const auto [lowest, highest] = std::minmax(parameter.displayAtZero, parameter.displayAtOne);
    if (!(value >= lowest && value <= highest))
        throwOutOfRange(parameter, text);
    return value;
}

float normalizedFromNumberText(std::string_view text)
{
    const std::optional<double> number = parseNumber(trimSpaces(text), "");
    if (!number || !(*number >= 0.0 && *number <= 1.0))
        throw ParameterTextError("the normalized value " + quoted(text) + " is not a number from 0 to 1");
    return static_cast<float>(*number);
}

std::string valueTextFromNormalized(CorvexEngine& engine, const ParameterDescription& parameter,
                                    float normalizedValue)
{
    if (parameter.kind != ParameterKind::Continuous)
    {
        char text[kTextCapacity + 1] = {};
        engine.getValueText(parameter.id, normalizedValue, text, kTextCapacity);
        return text;
    }
    const double displayValue = engine.getDisplayValue(parameter.id, normalizedValue);
    const auto readBack = [&](const std::string& number) {
        return normalizedFromDisplayValue(engine, parameter.id, static_cast<float>(*parseNumber(number, "")));
    };
    // Nine digits give the display value's float back, which reads back as the
    // value itself, or, where several normalized values display the same float
    // and no text can tell them apart, as the lowest of them.
    std::string number = numberText(displayValue, 9);
    const std::optional<float> target = readBack(number);
    for (int digits = 6; digits < 9; ++digits)
    {
        if (std::string shorter = numberText(displayValue, digits); readBack(shorter) == target)
        {
            number = std::move(shorter);
            break;
        }
    }
    return parameter.unit.empty() ? number : number + " " + parameter.unit;
}

} // namespace corvex::host
