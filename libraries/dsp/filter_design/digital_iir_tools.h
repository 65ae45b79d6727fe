#pragma once

#include "libraries/dsp/filter_design/coefficients.h"

namespace dsp
{

// Pole and zero checks of a digital coefficient set, by filter order.
// Stable: every pole strictly inside the unit circle.
// Minimum phase: b0 is not zero and no zero lies outside the unit circle; zeros on
// it are allowed, so a high-pass with its zeros at z = 1 is minimum phase.
// Almost minimum phase: as above, with every zero's magnitude at most 1 + tolerance,
// for designs whose repeated zeros on the circle move off it by rounding.
// Non-finite coefficients fail every check.
template <int Order>
struct DigitalIIRTools;

template <>
struct DigitalIIRTools<1>
{
    static bool isStable(const FirstOrderCoefficients& coefficients);
    static bool isMinimumPhase(const FirstOrderCoefficients& coefficients);
    static bool isAlmostMinimumPhase(const FirstOrderCoefficients& coefficients, double tolerance);
};

template <>
struct DigitalIIRTools<2>
{
    static bool isStable(const SecondOrderCoefficients& coefficients);
    static bool isMinimumPhase(const SecondOrderCoefficients& coefficients);
    static bool isAlmostMinimumPhase(const SecondOrderCoefficients& coefficients, double tolerance);
};

} // namespace dsp
