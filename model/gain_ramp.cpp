#include "model/gain_ramp.h"

#include "libraries/dsp/math/exp.h"
#include "libraries/dsp/math/log.h"
#include "libraries/dsp/vector/vector_primitives.h"
#include "model/block_counts.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace corvex
{

namespace
{

// 1 / 4800: the ramp moves by one octave of gain every 4800 samples.
constexpr double kOctavesPerSample = 0.00020833333333333335;

double upFactor()
{
    return dsp::math::exp(std::numbers::ln2 * kOctavesPerSample);
}

double snapRateOf(double up)
{
    return 2.0 * dsp::math::log(up);
}

// e^(n snapRate) - 1 for a block of n samples: the snap tolerance per unit of
// target. Every ramp has the same rate, so the values for every block length
// are worked out once, at load, instead of one exp per ramp and block.
struct SnapGrowth
{
    double snapRate;
    std::array<double, kBlockCapacity + 1> byLength;
};

double snapGrowth(std::int32_t numSamples, double snapRate)
{
    return dsp::math::exp(static_cast<double>(numSamples) * snapRate) - 1.0;
}

const SnapGrowth kSnapGrowth = [] {
    SnapGrowth table{snapRateOf(upFactor()), {}};
    for (std::int32_t n = 0; n <= kBlockCapacity; ++n)
        table.byLength[static_cast<std::size_t>(n)] = snapGrowth(n, table.snapRate);
    return table;
}();

} // namespace

void resetGainRamp(GainRampState& state)
{
    const double up = upFactor();
    state.resetFlag = 1;
    state.currentGain = 1.0;
    state.upFactor = up;
    state.downFactor = 1.0 / up;
    state.snapRate = snapRateOf(up);
}

GainRampWork beginGainRamp(GainRampState& state, double targetGain, std::int32_t numSamples)
{
    const double current = state.currentGain;
    const bool tabled = numSamples >= 0 && numSamples <= kBlockCapacity && state.snapRate == kSnapGrowth.snapRate;
    const double growth =
        tabled ? kSnapGrowth.byLength[static_cast<std::size_t>(numSamples)] : snapGrowth(numSamples, state.snapRate);
    const double tolerance = growth * targetGain;
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
