#pragma once

namespace corvex
{

// One sample through a first-order section in transposed direct form II:
// y = b0 x + s; s = b1 x - a1 y.
inline double firstOrderSection(double x, double& s, double b0, double b1, double a1)
{
    const double y = b0 * x + s;
    s = b1 * x - a1 * y;
    return y;
}

// One sample through a biquad in transposed direct form II:
// y = b0 x + s1; s1 = b1 x + s2 - a1 y; s2 = b2 x - a2 y.
inline double secondOrderSection(double x, double& s1, double& s2, double b0, double b1, double b2, double a1,
                                 double a2)
{
    const double y = b0 * x + s1;
    s1 = b1 * x + s2 - a1 * y;
    s2 = b2 * x - a2 * y;
    return y;
}

} // namespace corvex
