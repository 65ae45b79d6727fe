#include "libraries/host/text_compare.h"

#include <algorithm>
#include <cctype>

namespace corvex::host
{

bool equalsIgnoringCase(std::string_view left, std::string_view right)
{
    return std::ranges::equal(left, right, [](unsigned char a, unsigned char b) {
        return std::tolower(a) == std::tolower(b);
    });
}

std::string_view trimSpaces(std::string_view text)
{
    constexpr std::string_view kSpaces = " \t\r";
    const auto first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

} // namespace corvex::host
