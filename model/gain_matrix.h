#pragma once

namespace corvex
{

// Smoothed 2 x 2 gain matrix target: c0 (in 0 -> out 0), c1 (in 0 -> out 1),
// c2 (in 1 -> out 0), c3 (in 1 -> out 1), the gain of a one-channel call, and
// the per-sample smoothing coefficient.
struct GainMatrix
{
    double c0;
    double c1;
    double c2;
    double c3;
    double mono;
    double smoothing;
};

// 0.001 rounded to single precision, held as a double: every matrix glides at this rate.
inline constexpr double kGainMatrixSmoothing = static_cast<double>(0.001f);

} // namespace corvex
