#include "model/output_stage_constants.h"

#include "libraries/dsp/filter_design/db_to_gain.h"
#include "libraries/dsp/math/exp.h"

#include <cmath>

namespace corvex
{

namespace
{

// Per-sample one-pole coefficient for a time constant in milliseconds.
double smoothingFor(double timeMs, double sampleRate)
{
    return 1.0 - dsp::math::exp(-1.0 / (timeMs * 0.001 * sampleRate));
}

} // namespace

OutputStageConstants computeOutputStageConstants(double sampleRate)
{
    using dsp::dbToGain;
    OutputStageConstants k{};
    FirstCircuitConstants<double>& first = k.firstCircuit;
    first.inputScale = dbToGain(-3.0);
    first.outputScale = 1.0 / dbToGain(-3.0);
    first.feedbackGain = dbToGain(-4.5);
    first.feedbackSmoothing = smoothingFor(20.986099, sampleRate);
    first.floor = -dbToGain(-20.0);
    first.clip1 = {dbToGain(-24.85), 0.78188};
    first.clip2 = {dbToGain(-7.15), 36.875};
    SecondCircuitConstants<double>& second = k.secondCircuit;
    second.inputScale = dbToGain(-11.2);
    second.outputScale = 1.0 / dbToGain(-11.2);
    second.upperFeedbackGain = dbToGain(48.333099);
    second.lowerFeedbackGain = dbToGain(0.775);
    second.excessScale = dbToGain(-12.875);
    second.upperSmoothing = smoothingFor(156.802002, sampleRate);
    second.lowerSmoothing = smoothingFor(50.0, sampleRate);
    second.ceiling = dbToGain(-6.25);
    second.floor = -dbToGain(-8.75);
    // The saturation of the excess below the floor: reached when loud input
    // with the output gain near its top takes the circuit below its floor (the
    // loud scenarios of the golden recording change with this curve).
    second.clip = {dbToGain(-59.5), 85.625};
    return k;
}

} // namespace corvex
