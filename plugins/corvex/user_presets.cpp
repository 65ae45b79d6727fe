#include "plugins/corvex/user_presets.h"

#include "libraries/host/preset_text.h"
#include "plugins/corvex/parameter_values.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace corvex::plugin
{

std::filesystem::path userPresetFolder()
{
    const auto variable = [](const char* name) -> std::filesystem::path {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0' ? std::filesystem::path(value) : std::filesystem::path();
    };
#if defined(_WIN32)
    const std::filesystem::path base = variable("APPDATA");
#else
    std::filesystem::path base = variable("XDG_DATA_HOME");
    if (base.empty() && !variable("HOME").empty())
        base = variable("HOME") / ".local" / "share";
#endif
    return base.empty() ? base : base / "Corvex" / "Presets";
}

PlainValues plainValuesFromPreset(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                                  std::string_view text, std::string_view source)
{
    PlainValues values{};
    for (const host::ParameterDescription& parameter : parameters)
        values[static_cast<std::size_t>(parameter.id)] =
            plainValueFromNormalized(engine, parameter, parameter.defaultNormalizedValue);
    for (const host::ParameterValue& value : host::parsePreset(engine, parameters, text, source))
        values[static_cast<std::size_t>(value.parameterId)] =
            plainValueFromNormalized(engine, parameters[static_cast<std::size_t>(value.parameterId)],
                                     value.normalizedValue);
    return values;
}

std::string presetFromPlainValues(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                                  const PlainValues& values)
{
    for (const host::ParameterDescription& parameter : parameters)
    {
        if (const auto normalized =
                normalizedFromPlainValue(engine, parameter, values[static_cast<std::size_t>(parameter.id)]))
            engine.setNormalizedValue(parameter.id, *normalized);
    }
    return host::writePreset(engine, parameters);
}

void writeTextFileWhole(const std::filesystem::path& path, std::string_view text)
{
    std::filesystem::path partial = path;
    partial += ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
        if (!file)
        {
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            throw std::runtime_error("cannot write '" + path.string() + "'");
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error)
    {
        std::filesystem::remove(partial, error);
        throw std::runtime_error("cannot write '" + path.string() + "'");
    }
}

std::string readTextFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf()) || file.bad())
        throw std::runtime_error("cannot read '" + path.string() + "'");
    return text.str();
}

} // namespace corvex::plugin
