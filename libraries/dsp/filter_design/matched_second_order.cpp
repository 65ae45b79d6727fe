#include "libraries/dsp/filter_design/matched_second_order.h"

#include "libraries/dsp/filter_design/equation_solution_exception.h"
#include "libraries/dsp/math/exp.h"
#include "libraries/dsp/math/trig.h"

#include <cmath>

namespace dsp
{

MagnitudeWeights magnitudeWeights(double omegaRadPerSample)
{
    const double sine = dsp::math::sin(0.5 * omegaRadPerSample);
    const double cosine = dsp::math::cos(0.5 * omegaRadPerSample);
    const double phi0 = cosine * cosine;
    const double phi1 = sine * sine;
    return {phi0, phi1, 4.0 * phi0 * phi1};
}

SquaredMagnitudeTerms squaredMagnitudeTerms(double c0, double c1, double c2)
{
    const double sum = c0 + c1 + c2;
    const double alternatingSum = c0 - c1 + c2;
    return {sum * sum, alternatingSum * alternatingSum, -4.0 * c0 * c2};
}

MatchedPoles matchedPoles(const SecondOrderAnalogSection& prototype, double sampleRate)
{
    // Denominator a2 s^2 + a1 s + a0 = a2 (s^2 + 2 zeta w0 s + w0^2).
    const double omega0Squared = prototype.a0 / prototype.a2;
    const double dampingTerm = prototype.a1 / prototype.a2; // 2 zeta w0
    if (!(omega0Squared > 0.0 && dampingTerm > 0.0) || !std::isfinite(omega0Squared)
        || !std::isfinite(dampingTerm) || !(sampleRate > 0.0))
    {
        throw EquationSolutionException();
    }
    const double omega0 = std::sqrt(omega0Squared);
    const double zeta = dampingTerm / (2.0 * omega0);
    const double y = omega0 / sampleRate; // w0 T

    MatchedPoles poles;
    poles.a2 = dsp::math::exp(-2.0 * zeta * y);
    if (zeta < 1.0)
    {
        // Complex pair e^{-zeta y} e^{+-j sqrt(1 - zeta^2) y}.
        poles.a1 = -2.0 * dsp::math::exp(-zeta * y) * dsp::math::cos(std::sqrt(1.0 - zeta * zeta) * y);
    }
    else
    {
        // Two real poles e^{-y / (zeta + r)} and e^{-y (zeta + r)}, r = sqrt(zeta^2 - 1);
        // zeta - r is written as 1 / (zeta + r) to avoid cancellation.
        const double zetaPlusR = zeta + std::sqrt(zeta * zeta - 1.0);
        poles.a1 = -(dsp::math::exp(-y / zetaPlusR) + dsp::math::exp(-y * zetaPlusR));
    }
    return poles;
}

Numerator minimumPhaseNumerator(const SquaredMagnitudeTerms& terms)
{
    // b0 + b1 + b2 = sqrt(C0), b0 - b1 + b2 = sqrt(C1) and b0 b2 = -C2 / 4, so b0 and
    // b2 are the roots of x^2 - W x - C2 / 4 with W = b0 + b2. Taking b0 as the
    // larger root puts both zeros on or inside the unit circle.
    if (!(terms.c0 >= 0.0 && terms.c1 >= 0.0))
        throw EquationSolutionException();
    const double sqrtC0 = std::sqrt(terms.c0);
    const double sqrtC1 = std::sqrt(terms.c1);
    const double w = 0.5 * (sqrtC0 + sqrtC1);
    const double discriminant = w * w + terms.c2;
    if (!(discriminant >= 0.0) || !std::isfinite(discriminant))
        throw EquationSolutionException();
    const double b0 = 0.5 * (w + std::sqrt(discriminant));
    if (!(b0 > 0.0))
        throw EquationSolutionException();
    return {b0, 0.5 * (sqrtC0 - sqrtC1), -terms.c2 / (4.0 * b0)};
}

SecondOrderCoefficients combine(const Numerator& numerator, const MatchedPoles& poles)
{
    SecondOrderCoefficients outCoefficients;
    outCoefficients.b0 = numerator.b0;
    outCoefficients.b1 = numerator.b1;
    outCoefficients.b2 = numerator.b2;
    outCoefficients.a0 = 1.0;
    outCoefficients.a1 = poles.a1;
    outCoefficients.a2 = poles.a2;
    return outCoefficients;
}

} // namespace dsp
