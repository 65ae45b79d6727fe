#pragma once

#include "libraries/dsp/filter_design/analog_section.h"
#include "libraries/dsp/filter_design/coefficients.h"

#include <cstdint>

namespace dsp
{

// Where a design reports its failed checks: its source file and the line of each check.
struct DesignReportSite
{
    const char* file;
    const char* solutionExpression; // the matching solve that can find no solution
    std::uint32_t prototypeLine;
    std::uint32_t solutionLine;
    std::uint32_t bufferLine;
    std::uint32_t stableLine;
    std::uint32_t minimumPhaseLine;
};

// Which minimum-phase check a second-order design passes its result through.
enum class MinimumPhaseCheck
{
    strict,
    almost // isAlmostMinimumPhase with kAlmostMinimumPhaseTolerance
};

inline constexpr double kAlmostMinimumPhaseTolerance = 1.e-7;

// Each check reports its failure with severity level 2 and an empty message.
void checkAnalogCoefficients(const FirstOrderAnalogSection& prototype, const DesignReportSite& site);
void checkAnalogCoefficients(const SecondOrderAnalogSection& prototype, const DesignReportSite& site);
void reportNoSolution(const DesignReportSite& site);
void checkDesignResult(const FirstOrderCoefficients& outCoefficients, const DesignReportSite& site);
void checkDesignResult(const SecondOrderCoefficients& outCoefficients, const DesignReportSite& site,
                       MinimumPhaseCheck minimumPhaseCheck);

} // namespace dsp
