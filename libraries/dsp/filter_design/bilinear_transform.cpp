#include "libraries/dsp/filter_design/bilinear_transform.h"
#include "libraries/dsp/math/trig.h"

#include <algorithm>
#include <cmath>

namespace dsp
{

FirstOrderCoefficients bilinearTransform(const FirstOrderAnalogSection& section, double sampleRate)
{
    const double c = 2.0 * sampleRate;
    const double a0 = section.a1 * c + section.a0;
    FirstOrderCoefficients outCoefficients;
    outCoefficients.b0 = (section.b1 * c + section.b0) / a0;
    outCoefficients.b1 = (section.b0 - section.b1 * c) / a0;
    outCoefficients.a0 = 1.0;
    outCoefficients.a1 = (section.a0 - section.a1 * c) / a0;
    return outCoefficients;
}

SecondOrderCoefficients bilinearTransform(const SecondOrderAnalogSection& section, double sampleRate)
{
    const double c = 2.0 * sampleRate;
    const double cSquared = c * c;
    const double a0 = section.a2 * cSquared + section.a1 * c + section.a0;
    SecondOrderCoefficients outCoefficients;
    outCoefficients.b0 = (section.b2 * cSquared + section.b1 * c + section.b0) / a0;
    outCoefficients.b1 = 2.0 * (section.b0 - section.b2 * cSquared) / a0;
    outCoefficients.b2 = (section.b2 * cSquared - section.b1 * c + section.b0) / a0;
    outCoefficients.a0 = 1.0;
    outCoefficients.a1 = 2.0 * (section.a0 - section.a2 * cSquared) / a0;
    outCoefficients.a2 = (section.a2 * cSquared - section.a1 * c + section.a0) / a0;
    return outCoefficients;
}

double prewarpedCornerRadPerSec(double frequencyHz, double sampleRate)
{
    return 2.0 * sampleRate * dsp::math::tan(kTwoPi * std::min(0.49 * sampleRate, frequencyHz) * 0.5 / sampleRate);
}

} // namespace dsp
