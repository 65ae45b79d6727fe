#pragma once

#include "engine/corvex_engine.h"

#include <optional>

namespace corvex::host
{

// The normalized value whose display value (getDisplayValue) is nearest to
// displayValue, found by bisection over the normalized floats of [0, 1] on the
// engine's own mapping, which is monotonic in either direction. Empty when the
// value is not a number, lies outside the range between the display values at 0
// and 1, or the parameter's display value is constant (switches and choices).
// Makes only valid calls, so the engine never reports.
std::optional<float> normalizedFromDisplayValue(CorvexEngine& engine, int parameterId, float displayValue);

} // namespace corvex::host
