#pragma once

#include <string>

namespace corvex::host
{

// A number as people read it: up to six significant digits, no trailing zeros ("692.82", "-24", "0.5").
std::string formatNumber(double value);

} // namespace corvex::host
