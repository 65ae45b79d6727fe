#include "tools/corvex/number_format.h"

#include <cstdio>
#include <string_view>

namespace corvex::tool
{

std::string formatFixed(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    const std::string_view digits(text);
    if (digits.starts_with('-') && digits.find_first_not_of("-0.") == std::string_view::npos)
        return std::string(digits.substr(1)); // no "-0.0" for values that round to zero
    return text;
}

} // namespace corvex::tool
