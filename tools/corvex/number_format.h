#pragma once

#include <string>

namespace corvex::tool
{

// A number as people read it: up to six significant digits, no trailing zeros ("692.82", "-24", "0.5").
std::string formatNumber(double value);

// A number with a fixed count of decimals ("-3.1"); never "-0.0".
std::string formatFixed(double value, int decimals);

} // namespace corvex::tool
