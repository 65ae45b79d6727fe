#include "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass.h"

#include "libraries/dsp/filter_design/bilinear_transform.h"
#include "libraries/dsp/filter_design/db_to_gain.h"
#include "libraries/dsp/filter_design/first_order_design.h"

namespace dsp
{

namespace
{

constexpr DesignReportSite kReportSite{
    "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass",
    "dsp::solveFirstOrderMatch(matchPoints)",
    42, // prototype coefficients
    57, // matching solution
    64, // coefficient buffer
    65, // stability
    66, // minimum phase
};

} // namespace

FirstOrderCoefficients designFirstOrderHighPass(const FirstOrderParams& params, double sampleRate)
{
    const double gain = dbToGain(params.gainDb);
    const double omega0 = angularFrequency(params.mFrequency);
    const FirstOrderAnalogSection prototype{gain, params.mix * omega0 * gain, 1.0, omega0};

    // Without a match, the prewarped bilinear transform of the prototype itself,
    // its corner moved to K: (G s + mix K G) / (s + K). The default section of
    // the frame would be flat here, not a high-pass.
    const double prewarpedCorner = prewarpedCornerRadPerSec(params.mFrequency, sampleRate);
    const FirstOrderAnalogSection prewarpedPrototype{prototype.b1, prototype.b0 * prewarpedCorner / omega0, 1.0,
                                                     prewarpedCorner};

    return designFirstOrder(prototype, params.mFrequency, sampleRate, prewarpedCorner, solveFirstOrderMatch,
                            prewarpedPrototype, kReportSite);
}

} // namespace dsp
