#include "libraries/dsp/filter_design/first_order_design.h"

#include "libraries/dsp/filter_design/bilinear_transform.h"
#include "libraries/dsp/filter_design/equation_solution_exception.h"

#include <cmath>

namespace dsp
{

namespace
{

// A prototype within this distance of (s + A0) / (s + A0) counts as flat.
constexpr double kFlatTolerance = 1e-5;

bool isFlat(const FirstOrderAnalogSection& prototype)
{
    return std::fabs(prototype.b0 - prototype.a0) <= kFlatTolerance
        && std::fabs(prototype.b1 - prototype.a1) <= kFlatTolerance;
}

} // namespace

FirstOrderAnalogSection defaultFirstOrderSection(const FirstOrderAnalogSection& prototype, double prewarpedCorner)
{
    return {prototype.b1, prewarpedCorner, 1.0, prewarpedCorner};
}

FirstOrderCoefficients designFirstOrder(const FirstOrderAnalogSection& prototype, double frequencyHz,
                                        double sampleRate, double prewarpedCorner, FirstOrderSolver solve,
                                        const FirstOrderAnalogSection& noSolutionSection,
                                        const DesignReportSite& site)
{
    checkAnalogCoefficients(prototype, site);

    FirstOrderAnalogSection section = defaultFirstOrderSection(prototype, prewarpedCorner);
    if (!isFlat(prototype))
    {
        try
        {
            section = solve(firstOrderMatchPoints(prototype, frequencyHz, sampleRate));
        }
        catch (const EquationSolutionException&)
        {
            reportNoSolution(site);
            section = noSolutionSection;
        }
    }

    const FirstOrderCoefficients outCoefficients = bilinearTransform(section, sampleRate);
    checkDesignResult(outCoefficients, site);
    return outCoefficients;
}

} // namespace dsp
