#include "tools/corvex/parameter_settings.h"

#include "tools/corvex/number_format.h"
#include "tools/corvex/usage_error.h"

#include "libraries/host/text_compare.h"

#include <algorithm>

namespace corvex::tool
{

namespace
{

void addSettings(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                 const std::vector<std::string>& arguments, bool normalized, std::vector<ParameterSetting>& settings)
{
    for (const std::string& argument : arguments)
    {
        const std::string option = std::string(normalized ? "--norm" : "--set") + " '" + argument + "'";
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos)
            throw UsageError(option + ": expected NAME=VALUE");
        const std::string_view name = host::trimSpaces(std::string_view(argument).substr(0, equals));
        const std::string_view valueText = host::trimSpaces(std::string_view(argument).substr(equals + 1));
        const host::ParameterDescription* parameter = host::findParameter(parameters, name);
        if (parameter == nullptr)
            throw UsageError(option + ": unknown parameter \"" + std::string(name) + "\" (corvex params lists them)");
        if (containsParameter(settings, parameter->id))
            throw UsageError(option + ": \"" + parameter->name + "\" is given more than once");
        try
        {
            const float value = normalized ? host::normalizedFromNumberText(valueText)
                                           : host::normalizedFromValueText(engine, *parameter, valueText);
            settings.push_back({parameter->id, value});
        }
        catch (const host::ParameterTextError& error)
        {
            throw UsageError(option + ": " + error.what());
        }
    }
}

} // namespace

bool containsParameter(const std::vector<ParameterSetting>& settings, int parameterId)
{
    return std::ranges::any_of(settings,
                               [&](const ParameterSetting& setting) { return setting.parameterId == parameterId; });
}

std::vector<ParameterSetting> overrideSettings(std::vector<ParameterSetting> settings,
                                               const std::vector<ParameterSetting>& overrides)
{
    for (const ParameterSetting& override : overrides)
    {
        const auto found = std::ranges::find(settings, override.parameterId, &ParameterSetting::parameterId);
        if (found == settings.end())
            settings.push_back(override);
        else
            *found = override;
    }
    return settings;
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
        engine.setNormalizedValue(setting.parameterId, setting.normalizedValue);
}

std::string describeSettings(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                             const std::vector<ParameterSetting>& settings)
{
    std::string text;
    for (const ParameterSetting& setting : settings)
    {
        const host::ParameterDescription& parameter = parameters[setting.parameterId];
        std::string value;
        if (parameter.kind == host::ParameterKind::Continuous)
        {
            value = formatNumber(engine.getCurrentDisplayValue(setting.parameterId));
            if (!parameter.unit.empty())
                value += " " + parameter.unit;
        }
        else
        {
            char valueText[65] = {};
            engine.getCurrentValueText(setting.parameterId, valueText, 64);
            value = valueText;
        }
        text += (text.empty() ? "" : ", ") + parameter.name + " " + value;
    }
    return text;
}

} // namespace corvex::tool
