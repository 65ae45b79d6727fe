#pragma once

#include "libraries/dsp/filter_design/analog_section.h"
#include "libraries/dsp/filter_design/coefficients.h"
#include "libraries/dsp/filter_design/design_report.h"
#include "libraries/dsp/filter_design/first_order_match.h"

namespace dsp
{

using FirstOrderSolver = FirstOrderAnalogSection (*)(const FirstOrderMatchPoints&);

// The section a first-order design falls back on for a flat prototype:
// (b1 s + K) / (s + K), K the prewarped corner.
FirstOrderAnalogSection defaultFirstOrderSection(const FirstOrderAnalogSection& prototype, double prewarpedCorner);

// The frame of the first-order designs. Checks the prototype, then keeps the
// default section if the prototype is flat, else the section that `solve`
// matches to it, or `noSolutionSection` (after a report) when the match has no
// solution; maps the section through the bilinear transform and checks the result.
FirstOrderCoefficients designFirstOrder(const FirstOrderAnalogSection& prototype, double frequencyHz,
                                        double sampleRate, double prewarpedCorner, FirstOrderSolver solve,
                                        const FirstOrderAnalogSection& noSolutionSection,
                                        const DesignReportSite& site);

} // namespace dsp
