#pragma once

#include "libraries/dsp/filter_design/analog_section.h"
#include "libraries/dsp/filter_design/coefficients.h"

namespace dsp
{

// Bilinear transform, s = 2 fs (1 - z^-1) / (1 + z^-1), of an analog section,
// normalized so that a0 = 1.0 exactly.
FirstOrderCoefficients bilinearTransform(const FirstOrderAnalogSection& section, double sampleRate);
SecondOrderCoefficients bilinearTransform(const SecondOrderAnalogSection& section, double sampleRate);

// The analog angular frequency (rad/s) that the bilinear transform maps onto
// frequencyHz, limited to 0.49 fs so that it stays below the Nyquist frequency:
// K = 2 fs tan(2 pi min(0.49 fs, f) / (2 fs)).
double prewarpedCornerRadPerSec(double frequencyHz, double sampleRate);

} // namespace dsp
