#include "tools/corvex/params_command.h"

#include "tools/corvex/engine_session.h"
#include "tools/corvex/number_format.h"

#include <algorithm>
#include <array>
#include <iostream>
#include <string>
#include <vector>

namespace corvex::tool
{

namespace
{

using Row = std::array<std::string, 5>;

std::string defaultText(CorvexEngine& engine, const host::ParameterDescription& parameter)
{
    if (parameter.kind == host::ParameterKind::Continuous)
        return formatNumber(engine.getDisplayValue(parameter.id, parameter.defaultNormalizedValue));
    char text[65] = {};
    engine.getValueText(parameter.id, parameter.defaultNormalizedValue, text, 64);
    return text;
}

std::string rangeOrChoices(const host::ParameterDescription& parameter)
{
    if (parameter.kind == host::ParameterKind::Continuous)
        return formatNumber(parameter.displayAtZero) + " to " + formatNumber(parameter.displayAtOne);
    std::string choices;
    for (const host::ParameterChoice& choice : parameter.choices)
        choices += (choices.empty() ? "" : ", ") + choice.text;
    return choices;
}

} // namespace

void runParamsCommand()
{
    EngineSession session = openEngineSession();
    std::vector<Row> rows = {{"id", "name", "unit", "default", "range or choices"}};
    for (const host::ParameterDescription& parameter : session.parameters)
        rows.push_back({std::to_string(parameter.id), parameter.name, parameter.unit,
                        defaultText(*session.engine, parameter), rangeOrChoices(parameter)});

    std::array<std::size_t, 5> widths{};
    for (const Row& row : rows)
    {
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    for (const Row& row : rows)
    {
        std::string line = std::string(widths[0] - row[0].size(), ' ') + row[0]; // identifiers right-aligned
        for (std::size_t column = 1; column < row.size(); ++column)
        {
            const bool last = column + 1 == row.size();
            line += "  " + row[column] + (last ? "" : std::string(widths[column] - row[column].size(), ' '));
        }
        std::cout << line << '\n';
    }
}

} // namespace corvex::tool
