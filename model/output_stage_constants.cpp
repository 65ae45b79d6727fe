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
    k.firstCircuitInputScale = dbToGain(-3.0);
    k.firstCircuitOutputScale = 1.0 / dbToGain(-3.0);
    k.firstCircuitFeedbackGain = dbToGain(-4.5);
    k.firstCircuitFeedbackSmoothing = smoothingFor(20.986099, sampleRate);
    k.firstCircuitFloor = -dbToGain(-20.0);
    k.firstCircuitClip1 = {dbToGain(-24.85), 0.78188};
    k.firstCircuitClip2 = {dbToGain(-7.15), 36.875};
    k.secondCircuitInputScale = dbToGain(-11.2);
    k.secondCircuitOutputScale = 1.0 / dbToGain(-11.2);
    k.secondCircuitUpperFeedbackGain = dbToGain(48.333099);
    k.secondCircuitLowerFeedbackGain = dbToGain(0.775);
    k.secondCircuitExcessScale = dbToGain(-12.875);
    k.secondCircuitUpperSmoothing = smoothingFor(156.802002, sampleRate);
    k.secondCircuitLowerSmoothing = smoothingFor(50.0, sampleRate);
    k.secondCircuitCeiling = dbToGain(-6.25);
    k.secondCircuitFloor = -dbToGain(-8.75);
    k.secondCircuitClip = {dbToGain(-59.5), 85.625};
    return k;
}

} // namespace corvex
