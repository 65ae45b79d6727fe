#include "libraries/dsp/filter_design/design_report.h"

#include "core/report_assertion.h"
#include "libraries/dsp/filter_design/check_buffer.h"
#include "libraries/dsp/filter_design/digital_iir_tools.h"

namespace dsp
{

namespace
{

void reportDesignFailure(const char* expression, const DesignReportSite& site, std::uint32_t line)
{
    core::reportAssertion(core::kLevelInternal, expression, site.file, line, "");
}

template <typename Section>
void checkAnalogValues(const Section& prototype, const DesignReportSite& site)
{
    const auto analogCoefficients = prototype.values();
    constexpr int kNumAnalogCoefficients = Section::kNumAnalogCoefficients;
    if (!dsp::checkBuffer(analogCoefficients.data(), kNumAnalogCoefficients))
        reportDesignFailure("dsp::checkBuffer(analogCoefficients, kNumAnalogCoefficients)", site, site.prototypeLine);
}

template <typename Coefficients>
void checkBufferOf(const Coefficients& outCoefficients, const DesignReportSite& site)
{
    constexpr int kNumCoefficients = Coefficients::kNumCoefficients;
    if (!dsp::checkBuffer(outCoefficients.values().data(), kNumCoefficients))
        reportDesignFailure("dsp::checkBuffer(outCoefficients, kNumCoefficients)", site, site.bufferLine);
}

} // namespace

void checkAnalogCoefficients(const FirstOrderAnalogSection& prototype, const DesignReportSite& site)
{
    checkAnalogValues(prototype, site);
}

void checkAnalogCoefficients(const SecondOrderAnalogSection& prototype, const DesignReportSite& site)
{
    checkAnalogValues(prototype, site);
}

void reportNoSolution(const DesignReportSite& site)
{
    reportDesignFailure(site.solutionExpression, site, site.solutionLine);
}

void checkDesignResult(const FirstOrderCoefficients& outCoefficients, const DesignReportSite& site)
{
    checkBufferOf(outCoefficients, site);
    if (!DigitalIIRTools<1>::isStable(outCoefficients))
        reportDesignFailure("DigitalIIRTools<1>::isStable(outCoefficients)", site, site.stableLine);
    if (!DigitalIIRTools<1>::isMinimumPhase(outCoefficients))
        reportDesignFailure("DigitalIIRTools<1>::isMinimumPhase(outCoefficients)", site, site.minimumPhaseLine);
}

void checkDesignResult(const SecondOrderCoefficients& outCoefficients, const DesignReportSite& site,
                       MinimumPhaseCheck minimumPhaseCheck)
{
    checkBufferOf(outCoefficients, site);
    if (!DigitalIIRTools<2>::isStable(outCoefficients))
        reportDesignFailure("DigitalIIRTools<2>::isStable(outCoefficients)", site, site.stableLine);
    if (minimumPhaseCheck == MinimumPhaseCheck::strict)
    {
        if (!DigitalIIRTools<2>::isMinimumPhase(outCoefficients))
            reportDesignFailure("DigitalIIRTools<2>::isMinimumPhase(outCoefficients)", site, site.minimumPhaseLine);
    }
    else if (!DigitalIIRTools<2>::isAlmostMinimumPhase(outCoefficients, kAlmostMinimumPhaseTolerance))
    {
        reportDesignFailure("DigitalIIRTools<2>::isAlmostMinimumPhase(outCoefficients, 1.e-7)", site,
                            site.minimumPhaseLine);
    }
}

} // namespace dsp
