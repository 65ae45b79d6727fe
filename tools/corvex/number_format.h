#pragma once

#include "libraries/host/number_text.h"

#include <string>

namespace corvex::tool
{

using host::formatNumber;

// A number with a fixed count of decimals ("-3.1"); never "-0.0".
std::string formatFixed(double value, int decimals);

} // namespace corvex::tool
