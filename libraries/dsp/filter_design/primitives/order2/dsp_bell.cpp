#include "libraries/dsp/filter_design/primitives/order2/dsp_bell.h"

#include "libraries/dsp/filter_design/db_to_gain.h"
#include "libraries/dsp/filter_design/equation_solution_exception.h"
#include "libraries/dsp/filter_design/matched_second_order.h"
#include "libraries/dsp/filter_design/second_order_design.h"

#include <cmath>

namespace dsp
{

namespace
{

constexpr DesignReportSite kReportSite{
    "libraries/dsp/filter_design/primitives/order2/dsp_bell",
    "dsp::solveBellMatch(matchedPrototype, matchFrequencyHz, sampleRate)",
    97,  // prototype coefficients
    104, // matching solution
    112, // coefficient buffer
    113, // stability
    114, // minimum phase
};

// Gains below this size are replaced by it, so that the prototype stays a bell.
constexpr double kMinimumGainDb = 1e-6;

// The upper match point, 1.5672 rad/sample (just below fs/4), as in the first-order designs.
constexpr double kUpperMatch = 1.5672;
// A centre within this fraction of the upper point would make the match equations
// singular; the third point then moves below the centre, to this fraction of it.
constexpr double kUpperSeparation = 0.1;
constexpr double kBelowCentre = 0.7;

// G0 (s^2 + (w0 sqrt(A) / Qe) s + w0^2) / (s^2 + (w0 / (sqrt(A) Qe)) s + w0^2),
// sqrt(A) = dbToGain(g / 2), Qe = q / dbToGain(|g| / 2), G0 = dbToGain(outputGainDb).
SecondOrderAnalogSection bellPrototype(const BellParams& params, double frequencyHz)
{
    const double outputGain = dbToGain(params.outputGainDb);
    double gainDb = params.gainDb;
    if (std::fabs(gainDb) < kMinimumGainDb)
        gainDb = kMinimumGainDb;
    const double sqrtA = dbToGain(gainDb / 2.0);
    const double effectiveQ = params.q / dbToGain(std::fabs(gainDb) / 2.0);
    const double omega0 = angularFrequency(frequencyHz);
    const double omega0Squared = angularFrequencySquared(frequencyHz);
    return {outputGain,
            outputGain * (omega0 * sqrtA / effectiveQ),
            outputGain * omega0Squared,
            1.0,
            omega0 / (sqrtA * effectiveQ),
            omega0Squared};
}

// Magnitude-matched bell. The poles are the prototype's poles mapped by
// z = e^{s/fs}, so the digital resonance keeps the analog centre and damping with
// no frequency warping. The numerator's squared magnitude is then chosen so that
// the digital magnitude equals the prototype's at three frequencies: DC (the
// broadband gain), the centre (the boost or cut itself) and 1.5672 rad/sample,
// just below fs/4, which pins the skirt at the top of the band where a bilinear
// design would cramp it. Between these points the response follows the prototype
// closely (within 0.17 dB below fs/4 over 30 Hz to 16 kHz, +-12 dB, at 44.1 to
// 192 kHz), since poles and match points already fix its shape. Narrow deep cuts
// near the Nyquist frequency can ask for a numerator squared magnitude that no real
// numerator has; the frame then falls back to the prewarped bilinear transform.
SecondOrderCoefficients solveBellMatch(const SecondOrderAnalogSection& matchedPrototype, double matchFrequencyHz,
                                       double sampleRate)
{
    const double centre = kTwoPi * matchFrequencyHz / sampleRate;
    if (!(centre > 0.0 && centre < kPi))
        throw EquationSolutionException();
    const MatchedPoles poles = matchedPoles(matchedPrototype, sampleRate);
    const SquaredMagnitudeTerms denominator = squaredMagnitudeTerms(1.0, poles.a1, poles.a2);
    const double third = std::fabs(centre - kUpperMatch) > kUpperSeparation * kUpperMatch ? kUpperMatch
                                                                                           : kBelowCentre * centre;

    // Numerator target at w: |H(j w fs)|^2 |A(e^{jw})|^2, less its DC term.
    const double dcTerm = matchedPrototype.squaredMagnitude(0.0) * denominator.c0;
    const MagnitudeWeights atCentre = magnitudeWeights(centre);
    const MagnitudeWeights atThird = magnitudeWeights(third);
    const double centreRest = matchedPrototype.squaredMagnitude(centre * sampleRate) * denominator.at(atCentre)
                            - dcTerm * atCentre.phi0;
    const double thirdRest = matchedPrototype.squaredMagnitude(third * sampleRate) * denominator.at(atThird)
                           - dcTerm * atThird.phi0;

    // c1 phi1 + c2 phi2 = rest at both points.
    const double determinant = atCentre.phi1 * atThird.phi2 - atCentre.phi2 * atThird.phi1;
    if (determinant == 0.0)
        throw EquationSolutionException();
    const double nyquistTerm = (centreRest * atThird.phi2 - thirdRest * atCentre.phi2) / determinant;
    const double crossTerm = (atCentre.phi1 * thirdRest - atThird.phi1 * centreRest) / determinant;

    return combine(minimumPhaseNumerator({dcTerm, nyquistTerm, crossTerm}), poles);
}

// A bell of at most kMinimumGainDb departs from its broadband gain G0 by no more
// than that anywhere, so the flat filter G0 matches it within that: a bell at 0 dB
// then leaves the signal exactly as it is (pass-through coefficients for G0 = 1).
SecondOrderCoefficients solveFlatBell(const SecondOrderAnalogSection& matchedPrototype, double, double)
{
    SecondOrderCoefficients outCoefficients;
    outCoefficients.b0 = matchedPrototype.b2 / matchedPrototype.a2; // the gain far from the centre
    return outCoefficients;
}

} // namespace

SecondOrderCoefficients designBell(const BellParams& params, double sampleRate)
{
    const auto prototypeAt = [&params](double frequencyHz) { return bellPrototype(params, frequencyHz); };
    const SecondOrderSolver solve = std::fabs(params.gainDb) <= kMinimumGainDb ? solveFlatBell : solveBellMatch;
    return designSecondOrder(prototypeAt, params.mFrequency, sampleRate, solve, kReportSite,
                             MinimumPhaseCheck::strict);
}

} // namespace dsp
