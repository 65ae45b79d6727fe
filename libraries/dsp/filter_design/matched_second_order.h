#pragma once

#include "libraries/dsp/filter_design/analog_section.h"
#include "libraries/dsp/filter_design/coefficients.h"

namespace dsp
{

// Building blocks of the magnitude-matched second-order designs.
//
// On the unit circle, z = e^{jw}, the squared magnitude of c0 + c1 z^-1 + c2 z^-2 is
// linear in three terms:
//   |C(w)|^2 = C0 phi0 + C1 phi1 + C2 phi2,
//   C0 = (c0 + c1 + c2)^2, C1 = (c0 - c1 + c2)^2, C2 = -4 c0 c2,
//   phi0 = cos^2(w/2), phi1 = sin^2(w/2), phi2 = 4 phi0 phi1,
// so matching a numerator's squared magnitude at three frequencies is a linear
// problem in C0, C1, C2, and the numerator follows from them by spectral factorization.

// Nyquist frequency in rad/sample.
inline constexpr double kPi = 3.141592653589793;

struct MagnitudeWeights
{
    double phi0;
    double phi1;
    double phi2;
};

// The weights phi0, phi1, phi2 of a digital frequency w in rad/sample.
MagnitudeWeights magnitudeWeights(double omegaRadPerSample);

struct SquaredMagnitudeTerms
{
    double c0; // squared magnitude at DC
    double c1; // squared magnitude at the Nyquist frequency
    double c2;

    double at(const MagnitudeWeights& weights) const
    {
        return c0 * weights.phi0 + c1 * weights.phi1 + c2 * weights.phi2;
    }
};

SquaredMagnitudeTerms squaredMagnitudeTerms(double c0, double c1, double c2);

// Denominator 1 + a1 z^-1 + a2 z^-2 whose poles are the prototype's poles mapped
// by z = e^{s/fs} (the matched z-transform: same frequency and decay as the
// analog resonance, no frequency warping). Throws EquationSolutionException when
// the prototype's denominator is not a decaying second-order one (or not finite).
struct MatchedPoles
{
    double a1;
    double a2;
};

MatchedPoles matchedPoles(const SecondOrderAnalogSection& prototype, double sampleRate);

// The minimum-phase numerator (b0, b1, b2), b0 > 0, whose squared-magnitude terms
// are `terms`. Throws EquationSolutionException when none exists (a negative DC
// or Nyquist term, or a squared magnitude that no real second-order numerator has).
struct Numerator
{
    double b0;
    double b1;
    double b2;
};

Numerator minimumPhaseNumerator(const SquaredMagnitudeTerms& terms);

// The coefficient set of a numerator over matched poles, a0 = 1.0.
SecondOrderCoefficients combine(const Numerator& numerator, const MatchedPoles& poles);

} // namespace dsp
