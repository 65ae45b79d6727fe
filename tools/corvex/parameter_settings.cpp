#include "tools/corvex/parameter_settings.h"

#include "tools/corvex/number_format.h"
#include "tools/corvex/usage_error.h"

#include "libraries/host/display_value_inversion.h"
#include "libraries/host/text_compare.h"
#include "libraries/host/value_text_lookup.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace corvex::tool
{

namespace
{

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

// A whole number, optionally followed by the parameter's unit ("100", "100 Hz", "-6dB").
std::optional<double> parseNumber(std::string_view text, const std::string& unit)
{
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || text.empty())
        return std::nullopt;
    const std::string suffix = trimmed(std::string_view(rest, static_cast<std::size_t>(end - rest)));
    if (!suffix.empty() && (unit.empty() || !host::equalsIgnoringCase(suffix, unit)))
        return std::nullopt;
    return value;
}

std::string choiceList(const host::ParameterDescription& parameter)
{
    std::string list;
    for (const host::ParameterChoice& choice : parameter.choices)
        list += (list.empty() ? "" : ", ") + choice.text;
    return list;
}

std::string rangeText(const host::ParameterDescription& parameter)
{
    std::string text = formatNumber(parameter.displayAtZero) + " to " + formatNumber(parameter.displayAtOne);
    return parameter.unit.empty() ? text : text + " " + parameter.unit;
}

float displaySettingValue(CorvexEngine& engine, const host::ParameterDescription& parameter,
                          const std::string& valueText, const std::string& option)
{
    if (parameter.kind != host::ParameterKind::Continuous)
    {
        if (const std::optional<float> value = host::normalizedFromText(parameter, valueText))
            return *value;
        throw UsageError(option + ": \"" + valueText + "\" is not a value of \"" + parameter.name + "\" (" +
                         choiceList(parameter) + ")");
    }
    const std::optional<double> number = parseNumber(valueText, parameter.unit);
    if (!number)
        throw UsageError(option + ": \"" + valueText + "\" is not a number in " +
                         (parameter.unit.empty() ? "\"" + parameter.name + "\"'s scale" : parameter.unit));
    const std::optional<float> value =
        host::normalizedFromDisplayValue(engine, parameter.id, static_cast<float>(*number));
    if (!value)
        throw UsageError(option + ": " + trimmed(valueText) + " is outside the range of \"" + parameter.name +
                         "\", " + rangeText(parameter));
    return *value;
}

float normalizedSettingValue(const std::string& valueText, const std::string& option)
{
    const std::optional<double> number = parseNumber(valueText, "");
    if (!number || !(*number >= 0.0 && *number <= 1.0))
        throw UsageError(option + ": the normalized value \"" + valueText + "\" is not a number from 0 to 1");
    return static_cast<float>(*number);
}

void addSettings(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                 const std::vector<std::string>& arguments, bool normalized, std::vector<ParameterSetting>& settings)
{
    for (const std::string& argument : arguments)
    {
        const std::string option = std::string(normalized ? "--norm" : "--set") + " '" + argument + "'";
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos)
            throw UsageError(option + ": expected NAME=VALUE");
        const std::string name = trimmed(std::string_view(argument).substr(0, equals));
        const std::string valueText = trimmed(std::string_view(argument).substr(equals + 1));
        const host::ParameterDescription* parameter = findParameter(parameters, name);
        if (parameter == nullptr)
            throw UsageError(option + ": unknown parameter \"" + name + "\" (corvex params lists them)");
        if (containsParameter(settings, parameter->id))
            throw UsageError(option + ": \"" + parameter->name + "\" is given more than once");
        const float value = normalized ? normalizedSettingValue(valueText, option)
                                       : displaySettingValue(engine, *parameter, valueText, option);
        settings.push_back({parameter->id, value});
    }
}

} // namespace

const host::ParameterDescription* findParameter(const std::vector<host::ParameterDescription>& parameters,
                                                const std::string& nameOrId)
{
    int id = -1;
    const char* end = nameOrId.data() + nameOrId.size();
    const auto [rest, error] = std::from_chars(nameOrId.data(), end, id);
    const bool isNumber = error == std::errc() && rest == end;
    const auto found = std::ranges::find_if(parameters, [&](const host::ParameterDescription& parameter) {
        return isNumber ? parameter.id == id : host::equalsIgnoringCase(parameter.name, nameOrId);
    });
    return found == parameters.end() ? nullptr : &*found;
}

bool containsParameter(const std::vector<ParameterSetting>& settings, int parameterId)
{
    return std::ranges::any_of(settings, [&](const ParameterSetting& setting) { return setting.id == parameterId; });
}

std::vector<ParameterSetting> parseParameterSettings(CorvexEngine& engine,
                                                     const std::vector<host::ParameterDescription>& parameters,
                                                     const std::vector<std::string>& displaySettings,
                                                     const std::vector<std::string>& normalizedSettings)
{
    std::vector<ParameterSetting> settings;
    addSettings(engine, parameters, displaySettings, false, settings);
    addSettings(engine, parameters, normalizedSettings, true, settings);
    return settings;
}

void applyParameterSettings(CorvexEngine& engine, const std::vector<ParameterSetting>& settings)
{
    for (const ParameterSetting& setting : settings)
        engine.setNormalizedValue(setting.id, setting.normalizedValue);
}

std::string describeSettings(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                             const std::vector<ParameterSetting>& settings)
{
    std::string text;
    for (const ParameterSetting& setting : settings)
    {
        const host::ParameterDescription& parameter = parameters[setting.id];
        std::string value;
        if (parameter.kind == host::ParameterKind::Continuous)
        {
            value = formatNumber(engine.getCurrentDisplayValue(setting.id));
            if (!parameter.unit.empty())
                value += " " + parameter.unit;
        }
        else
        {
            char valueText[65] = {};
            engine.getCurrentValueText(setting.id, valueText, 64);
            value = valueText;
        }
        text += (text.empty() ? "" : ", ") + parameter.name + " " + value;
    }
    return text;
}

} // namespace corvex::tool
