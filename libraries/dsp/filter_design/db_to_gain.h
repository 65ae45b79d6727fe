#pragma once

#include <cmath>

namespace dsp
{

// ln(10) / 20, held as this exact double.
inline constexpr double kDbToGainFactor = 0.1151292546497023;

// Linear gain of x decibels.
inline double dbToGain(double x)
{
    return std::exp(kDbToGainFactor * x);
}

} // namespace dsp
