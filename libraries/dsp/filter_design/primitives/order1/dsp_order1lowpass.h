#pragma once

#include "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass.h"

namespace dsp
{

// Prototype H(s) = (G mix s + G w0) / (s + w0), G = dbToGain(gainDb).
FirstOrderCoefficients designFirstOrderLowPass(const FirstOrderParams& params, double sampleRate);

} // namespace dsp
