#pragma once

#include "libraries/dsp/filter_design/analog_section.h"
#include "libraries/dsp/filter_design/coefficients.h"
#include "libraries/dsp/filter_design/design_report.h"

#include <functional>

namespace dsp
{

// The design's analog prototype with its centre or corner at the given frequency (Hz).
using SecondOrderPrototype = std::function<SecondOrderAnalogSection(double frequencyHz)>;

// Matches a digital section to the prototype at matchFrequencyHz (below the
// Nyquist frequency); throws EquationSolutionException when it cannot.
using SecondOrderSolver = SecondOrderCoefficients (*)(const SecondOrderAnalogSection& prototype,
                                                      double matchFrequencyHz, double sampleRate);

// The frame of the second-order designs. Checks the prototype at frequencyHz,
// then matches the prototype with its frequency limited to 0.49 fs (a centre or
// corner at or above the Nyquist frequency is designed at 0.49 fs, as the
// first-order designs limit their prewarped corner). When the match has no
// solution it reports and falls back to the bilinear transform of the prototype
// prewarped at that frequency. Checks the result.
SecondOrderCoefficients designSecondOrder(const SecondOrderPrototype& prototypeAt, double frequencyHz,
                                          double sampleRate, SecondOrderSolver solve,
                                          const DesignReportSite& site, MinimumPhaseCheck minimumPhaseCheck);

} // namespace dsp
