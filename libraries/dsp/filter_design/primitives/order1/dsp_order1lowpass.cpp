#include "libraries/dsp/filter_design/primitives/order1/dsp_order1lowpass.h"

#include "libraries/dsp/filter_design/bilinear_transform.h"
#include "libraries/dsp/filter_design/db_to_gain.h"
#include "libraries/dsp/filter_design/first_order_design.h"

namespace dsp
{

namespace
{

constexpr DesignReportSite kReportSite{
    "libraries/dsp/filter_design/primitives/order1/dsp_order1lowpass",
    "dsp::solveFirstOrderMatchUnitDc(matchPoints)",
    40, // prototype coefficients
    55, // matching solution
    62, // coefficient buffer
    63, // stability
    64, // minimum phase
};

} // namespace

FirstOrderCoefficients designFirstOrderLowPass(const FirstOrderParams& params, double sampleRate)
{
    const double gain = dbToGain(params.gainDb);
    const double omega0 = angularFrequency(params.mFrequency);
    const FirstOrderAnalogSection prototype{gain * params.mix, gain * omega0, 1.0, omega0};

    // Without a match, the default section K / (s + K) (b1 = G mix = 0 for the
    // plain low-pass): the prewarped bilinear low-pass.
    const double prewarpedCorner = prewarpedCornerRadPerSec(params.mFrequency, sampleRate);
    return designFirstOrder(prototype, params.mFrequency, sampleRate, prewarpedCorner, solveFirstOrderMatchUnitDc,
                            defaultFirstOrderSection(prototype, prewarpedCorner), kReportSite);
}

} // namespace dsp
