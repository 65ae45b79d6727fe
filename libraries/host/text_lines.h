#pragma once

#include "libraries/host/parameter_value_text.h"
#include "libraries/host/text_compare.h"

#include <string>
#include <string_view>

namespace corvex::host
{

// Calls visit(line) for every line of text that holds more than spaces and a
// comment ('#' to the end of the line), trimmed and without the comment. A
// ParameterTextError from visit comes back with "<source> line N: " in front,
// lines counted from 1.
template <class Visit>
void forEachContentLine(std::string_view text, std::string_view source, Visit visit)
{
    for (int lineNumber = 1; !text.empty(); ++lineNumber)
    {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = trimSpaces(text.substr(0, std::min(text.find('#'), end)));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty())
            continue;
        try
        {
            visit(line);
        }
        catch (const ParameterTextError& error)
        {
            throw ParameterTextError(std::string(source) + " line " + std::to_string(lineNumber) + ": " + error.what());
        }
    }
}

} // namespace corvex::host
