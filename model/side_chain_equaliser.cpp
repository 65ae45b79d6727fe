#include "model/side_chain_equaliser.h"

#include "libraries/dsp/filter_design/db_to_gain.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1lowpass.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_bell.h"
#include "model/parameter_table.h"

#include <cmath>

namespace corvex
{

void updateSideChainEqualiser(const ParameterValues& values, ParameterSnapshot& snapshot)
{
    const auto& p = values.normalized;
    const double fs = values.sampleRate;
    const bool eqOn = isSwitchOn(p[kParamSideChainEqOn]);
    const bool highPassOn = isSwitchOn(p[kParamSideChainEqHighPassOn]);
    const bool lowPassOn = isSwitchOn(p[kParamSideChainEqLowPassOn]);

    // Before the first sample rate there is nothing to design for; the
    // sample-rate set-up rebuilds these targets anyway.
    const bool canDesign = fs > 0.0;

    const double highPassHz = mapLogRange(kHighPassRange, p[kParamSideChainEqHighPassFreq]);
    const double bellHz = mapLogRange(kBellRange, p[kParamSideChainEqBellFreq]);
    const double lowPassHz = mapLogRange(kLowPassRange, p[kParamSideChainEqLowPassFreq]);
    const double bellGainDb = -12.0 + 24.0 * static_cast<double>(p[kParamSideChainEqBellGain]);
    const double bellQ = 0.5 * dsp::dbToGain(std::fabs(bellGainDb));

    snapshot.sideChainHighPass = canDesign && eqOn && highPassOn
                                     ? dsp::designFirstOrderHighPass({highPassHz, 0.0, 0.0}, fs)
                                     : dsp::kFirstOrderPassThrough;
    snapshot.sideChainBell = canDesign && eqOn ? dsp::designBell({bellHz, bellQ, bellGainDb, 0.0}, fs)
                                               : dsp::kSecondOrderPassThrough;
    snapshot.sideChainLowPass = canDesign && eqOn && lowPassOn
                                    ? dsp::designFirstOrderLowPass({lowPassHz, 0.0, 0.0}, fs)
                                    : dsp::kFirstOrderPassThrough;
}

} // namespace corvex
