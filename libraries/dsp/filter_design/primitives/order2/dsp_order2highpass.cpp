#include "libraries/dsp/filter_design/primitives/order2/dsp_order2highpass.h"

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
    "libraries/dsp/filter_design/primitives/order2/dsp_order2highpass",
    "dsp::solveSecondOrderHighPassMatch(matchedPrototype, matchFrequencyHz, sampleRate)",
    71, // prototype coefficients
    78, // matching solution
    86, // coefficient buffer
    87, // stability
    88, // minimum phase
};

// G s^2 / (s^2 + (w0 / Q) s + w0^2), G = dbToGain(outputGainDb).
SecondOrderAnalogSection highPassPrototype(const SecondOrderHighPassParams& params, double frequencyHz)
{
    return {dbToGain(params.outputGainDb), 0.0, 0.0, 1.0, angularFrequency(frequencyHz) / params.q,
            angularFrequencySquared(frequencyHz)};
}

// Magnitude-matched high-pass. The poles are the prototype's poles mapped by
// z = e^{s/fs} (analog corner and damping kept, no warping). The numerator keeps
// the prototype's double zero at DC as b (1 - z^-1)^2, so the stop band falls at
// 12 dB per octave like the analog one and the gain at DC is exactly 0; its one
// remaining degree of freedom, b, makes the digital magnitude equal the
// prototype's at the corner, where the response is most sensitive to Q.
SecondOrderCoefficients solveSecondOrderHighPassMatch(const SecondOrderAnalogSection& matchedPrototype,
                                                      double matchFrequencyHz, double sampleRate)
{
    const double corner = kTwoPi * matchFrequencyHz / sampleRate;
    if (!(corner > 0.0 && corner < kPi))
        throw EquationSolutionException();
    const MatchedPoles poles = matchedPoles(matchedPrototype, sampleRate);
    const MagnitudeWeights atCorner = magnitudeWeights(corner);
    const double denominatorAtCorner = squaredMagnitudeTerms(1.0, poles.a1, poles.a2).at(atCorner);
    // |b (1 - e^{-jw})^2|^2 = 16 b^2 phi1^2.
    const double b = std::sqrt(matchedPrototype.squaredMagnitude(corner * sampleRate) * denominatorAtCorner)
                   / (4.0 * atCorner.phi1);
    if (!std::isfinite(b))
        throw EquationSolutionException();
    return combine({b, -2.0 * b, b}, poles);
}

} // namespace

SecondOrderCoefficients designSecondOrderHighPass(const SecondOrderHighPassParams& params, double sampleRate)
{
    const auto prototypeAt = [&params](double frequencyHz) { return highPassPrototype(params, frequencyHz); };
    return designSecondOrder(prototypeAt, params.mFrequency, sampleRate, solveSecondOrderHighPassMatch,
                             kReportSite, MinimumPhaseCheck::almost);
}

} // namespace dsp
