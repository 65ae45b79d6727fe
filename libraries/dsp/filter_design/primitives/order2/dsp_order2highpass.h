#pragma once

#include "libraries/dsp/filter_design/coefficients.h"

namespace dsp
{

struct SecondOrderHighPassParams
{
    double mFrequency = 0.0; // corner, Hz
    double q = 0.0;
    double unused = 0.0;     // third field of the record; not read by the design
    double outputGainDb = 0.0;
};

SecondOrderCoefficients designSecondOrderHighPass(const SecondOrderHighPassParams& params, double sampleRate);

} // namespace dsp
