#pragma once

#include "libraries/dsp/filter_design/coefficients.h"

namespace dsp
{

// Prototype H(s) = (G s + mix w0 G) / (s + w0), G = dbToGain(gainDb).
struct FirstOrderParams
{
    double mFrequency = 0.0; // Hz
    double mix = 0.0;        // the prototype's second numerator term
    double gainDb = 0.0;
};

FirstOrderCoefficients designFirstOrderHighPass(const FirstOrderParams& params, double sampleRate);

} // namespace dsp
