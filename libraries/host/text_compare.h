#pragma once

#include <string_view>

namespace corvex::host
{

// True when the two texts are equal ignoring the case of ASCII letters.
bool equalsIgnoringCase(std::string_view left, std::string_view right);

// The text without the spaces, tabs and carriage returns around it.
std::string_view trimSpaces(std::string_view text);

} // namespace corvex::host
