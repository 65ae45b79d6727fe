#include "libraries/host/preset_text.h"

#include "libraries/host/text_lines.h"

#include <algorithm>

namespace corvex::host
{

namespace
{

// Calls visit(entry) for each entry in turn; an error of visit's carries the entry's line too.
template <class Visit>
void forEachPresetEntry(std::string_view text, const std::vector<ParameterDescription>& parameters,
                        std::string_view source, Visit visit)
{
    std::vector<int> seenIds;
    forEachContentLine(text, "preset '" + std::string(source) + "'", [&](std::string_view line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            throw ParameterTextError("expected NAME = VALUE, not \"" + std::string(line) + "\"");
        const std::string_view name = trimSpaces(line.substr(0, equals));
        const ParameterDescription* parameter = findParameter(parameters, name);
        if (parameter == nullptr)
            throw ParameterTextError("unknown parameter \"" + std::string(name) + "\"");
        if (std::ranges::find(seenIds, parameter->id) != seenIds.end())
            throw ParameterTextError("\"" + parameter->name + "\" is given more than once");
        seenIds.push_back(parameter->id);
        visit(PresetEntry{parameter->id, std::string(trimSpaces(line.substr(equals + 1)))});
    });
}

} // namespace

std::vector<PresetEntry> readPresetEntries(std::string_view text, const std::vector<ParameterDescription>& parameters,
                                           std::string_view source)
{
    std::vector<PresetEntry> entries;
    forEachPresetEntry(text, parameters, source, [&](PresetEntry entry) { entries.push_back(std::move(entry)); });
    return entries;
}

std::vector<ParameterValue> parsePreset(CorvexEngine& engine, const std::vector<ParameterDescription>& parameters,
                                        std::string_view text, std::string_view source)
{
    std::vector<ParameterValue> values;
    forEachPresetEntry(text, parameters, source, [&](const PresetEntry& entry) {
        const ParameterDescription& parameter = parameters[static_cast<std::size_t>(entry.parameterId)];
        values.push_back({entry.parameterId, normalizedFromValueText(engine, parameter, entry.valueText)});
    });
    return values;
}

std::string writePreset(CorvexEngine& engine, const std::vector<ParameterDescription>& parameters)
{
    std::string text = "# Corvex preset: one parameter a line, NAME = VALUE, the value as displayed\n";
    for (const ParameterDescription& parameter : parameters)
        text += parameter.name + " = " +
                valueTextFromNormalized(engine, parameter, engine.getNormalizedValue(parameter.id)) + "\n";
    return text;
}

} // namespace corvex::host
