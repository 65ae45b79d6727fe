#pragma once

#include "libraries/dsp/math/exp.h"

namespace dsp
{

// ln(10) / 20, held as this exact double.
inline constexpr double kDbToGainFactor = 0.1151292546497023;

// Linear gain of x decibels.
inline double dbToGain(double x)
{
    return math::exp(kDbToGainFactor * x);
}

} // namespace dsp
