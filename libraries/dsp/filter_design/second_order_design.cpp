#include "libraries/dsp/filter_design/second_order_design.h"

#include "libraries/dsp/filter_design/bilinear_transform.h"
#include "libraries/dsp/filter_design/equation_solution_exception.h"

#include <algorithm>

namespace dsp
{

namespace
{

// Highest matched frequency, as a fraction of the sample rate.
constexpr double kMaxMatchFraction = 0.49;

} // namespace

SecondOrderCoefficients designSecondOrder(const SecondOrderPrototype& prototypeAt, double frequencyHz,
                                          double sampleRate, SecondOrderSolver solve,
                                          const DesignReportSite& site, MinimumPhaseCheck minimumPhaseCheck)
{
    checkAnalogCoefficients(prototypeAt(frequencyHz), site);

    SecondOrderCoefficients outCoefficients;
    try
    {
        const double matchFrequencyHz = std::min(frequencyHz, kMaxMatchFraction * sampleRate);
        outCoefficients = solve(prototypeAt(matchFrequencyHz), matchFrequencyHz, sampleRate);
    }
    catch (const EquationSolutionException&)
    {
        reportNoSolution(site);
        const double prewarpedFrequencyHz = prewarpedCornerRadPerSec(frequencyHz, sampleRate) / kTwoPi;
        outCoefficients = bilinearTransform(prototypeAt(prewarpedFrequencyHz), sampleRate);
    }

    checkDesignResult(outCoefficients, site, minimumPhaseCheck);
    return outCoefficients;
}

} // namespace dsp
