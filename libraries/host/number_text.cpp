#include "libraries/host/number_text.h"

#include <cstdio>

namespace corvex::host
{

std::string formatNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value == 0.0 ? 0.0 : value);
    return text;
}

} // namespace corvex::host
