#include "libraries/dsp/filter_design/digital_iir_tools.h"

#include <cmath>
#include <limits>

namespace dsp
{

namespace
{

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Largest root magnitude of c0 z + c1 (the polynomial c0 + c1 z^-1 times z);
// infinite when c0 is zero or a coefficient is not finite.
double largestRootMagnitude(double c0, double c1)
{
    if (c0 == 0.0 || !std::isfinite(c0) || !std::isfinite(c1))
        return kInfinity;
    return std::fabs(c1 / c0);
}

// Largest root magnitude of c0 z^2 + c1 z + c2; infinite when c0 is zero or a
// coefficient is not finite.
double largestRootMagnitude(double c0, double c1, double c2)
{
    if (c0 == 0.0 || !std::isfinite(c0) || !std::isfinite(c1) || !std::isfinite(c2))
        return kInfinity;
    const double p = c1 / c0;
    const double r = c2 / c0;
    const double discriminant = p * p - 4.0 * r;
    if (discriminant < 0.0)
        return std::sqrt(r); // complex pair, |z|^2 = r
    return 0.5 * (std::fabs(p) + std::sqrt(discriminant));
}

} // namespace

bool DigitalIIRTools<1>::isStable(const FirstOrderCoefficients& coefficients)
{
    return largestRootMagnitude(coefficients.a0, coefficients.a1) < 1.0;
}

bool DigitalIIRTools<1>::isMinimumPhase(const FirstOrderCoefficients& coefficients)
{
    return isAlmostMinimumPhase(coefficients, 0.0);
}

bool DigitalIIRTools<1>::isAlmostMinimumPhase(const FirstOrderCoefficients& coefficients, double tolerance)
{
    return largestRootMagnitude(coefficients.b0, coefficients.b1) <= 1.0 + tolerance;
}

bool DigitalIIRTools<2>::isStable(const SecondOrderCoefficients& coefficients)
{
    return largestRootMagnitude(coefficients.a0, coefficients.a1, coefficients.a2) < 1.0;
}

bool DigitalIIRTools<2>::isMinimumPhase(const SecondOrderCoefficients& coefficients)
{
    return isAlmostMinimumPhase(coefficients, 0.0);
}

bool DigitalIIRTools<2>::isAlmostMinimumPhase(const SecondOrderCoefficients& coefficients, double tolerance)
{
    return largestRootMagnitude(coefficients.b0, coefficients.b1, coefficients.b2) <= 1.0 + tolerance;
}

} // namespace dsp
