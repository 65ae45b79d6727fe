#include "model/gain_ramp.h"

#include "libraries/dsp/math/exp.h"
#include "libraries/dsp/math/log.h"
#include "libraries/dsp/vector/vector_primitives.h"
#include "model/block_counts.h"

#include <cmath>
#include <numbers>

namespace corvex
{

namespace
{

// 1 / 4800: the ramp moves by one octave of gain every 4800 samples.
constexpr double kOctavesPerSample = 0.00020833333333333335;

} // namespace

void resetGainRamp(GainRampState& state)
{
    const double upFactor = dsp::math::exp(std::numbers::ln2 * kOctavesPerSample);
    state.resetFlag = 1;
    state.currentGain = 1.0;
    state.upFactor = upFactor;
    state.downFactor = 1.0 / upFactor;
    state.snapRate = 2.0 * dsp::math::log(upFactor);
}

GainRampWork beginGainRamp(GainRampState& state, double targetGain, std::int32_t numSamples)
{
    const double current = state.currentGain;
    const double tolerance = (dsp::math::exp(static_cast<double>(numSamples) * state.snapRate) - 1.0) * targetGain;
    if (std::fabs(targetGain - current) < tolerance || state.resetFlag != 0)
    {
        state.currentGain = targetGain;
        state.resetFlag = 0;
        return GainRampWork{true, targetGain, targetGain, 1.0};
    }
    const double factor = targetGain - current > 0.0 ? state.upFactor : state.downFactor;
    return GainRampWork{false, targetGain, current, factor};
}

void endGainRamp(const GainRampWork& work, GainRampState& state)
{
    state.currentGain = work.current;
}

void gainRamp(const double* source, double* destination, std::int32_t numSamples, GainRampState& state,
              double targetGain)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    GainRampWork work = beginGainRamp(state, targetGain, n);
    if (work.settled)
    {
        vec::scaleDoubles(source, targetGain, destination, n);
        return;
    }
    for (std::int32_t i = 0; i < n; ++i)
        destination[i] = gainRampSample(work, source[i]);
    endGainRamp(work, state);
}

} // namespace corvex
