#pragma once

#include <span>

namespace corvex
{

// "GR Range" in dB over seven points; the last is negative zero.
inline constexpr double kGrRangeTable[] = {-100.0, -36.0, -24.0, -12.0, -6.0, -3.0, -0.0};
// "SC Time Warp" in ms over three points.
inline constexpr double kTimeWarpTable[] = {-5.0, 0.0, 10.0};

// Piecewise-linear interpolation over equally spaced points for v in [0, 1];
// v <= 0 or NaN gives the first point, v >= 1 the last.
inline double lookup(std::span<const double> table, double v)
{
    const auto n = static_cast<int>(table.size());
    int index = 0;
    double fraction = 0.0;
    if (!(v > 0.0))
    {
        index = 0;
        fraction = 0.0;
    }
    else if (v >= 1.0)
    {
        index = n - 2;
        fraction = 1.0;
    }
    else
    {
        const double position = (n - 1) * v;
        index = static_cast<int>(position);
        fraction = position - index;
    }
    return (1.0 - fraction) * table[index] + fraction * table[index + 1];
}

} // namespace corvex
