#pragma once

#include "libraries/dsp/filter_design/coefficients.h"

namespace dsp
{

struct BellParams
{
    double mFrequency = 0.0;   // centre frequency, Hz
    double q = 0.0;
    double gainDb = 0.0;       // boost or cut at the centre
    double outputGainDb = 0.0; // broadband gain
};

SecondOrderCoefficients designBell(const BellParams& params, double sampleRate);

} // namespace dsp
