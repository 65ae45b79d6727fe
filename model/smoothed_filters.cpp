#include "model/smoothed_filters.h"

#include "libraries/dsp/math/double_lanes.h"
#include "model/block_counts.h"
#include "model/glide.h"
#include "model/transposed_direct_form.h"

namespace corvex
{

namespace
{

using dsp::math::DoubleLanes;

// The used coefficients glide; a0 is neither glided nor read.
void glideCoefficients(dsp::FirstOrderCoefficients& current, const dsp::FirstOrderCoefficients& target, double rate)
{
    current.b0 = glideStep(current.b0, target.b0, rate);
    current.b1 = glideStep(current.b1, target.b1, rate);
    current.a1 = glideStep(current.a1, target.a1, rate);
}

void glideCoefficients(dsp::SecondOrderCoefficients& current, const dsp::SecondOrderCoefficients& target,
                       double rate)
{
    current.b0 = glideStep(current.b0, target.b0, rate);
    current.b1 = glideStep(current.b1, target.b1, rate);
    current.b2 = glideStep(current.b2, target.b2, rate);
    current.a1 = glideStep(current.a1, target.a1, rate);
    current.a2 = glideStep(current.a2, target.a2, rate);
}

// True when no used coefficient moves any more: every later glide is a no-op.
bool coefficientsSettled(const dsp::FirstOrderCoefficients& current, const dsp::FirstOrderCoefficients& target,
                         double rate)
{
    return glideSettled(current.b0, target.b0, rate) && glideSettled(current.b1, target.b1, rate) &&
           glideSettled(current.a1, target.a1, rate);
}

bool coefficientsSettled(const dsp::SecondOrderCoefficients& current, const dsp::SecondOrderCoefficients& target,
                         double rate)
{
    return glideSettled(current.b0, target.b0, rate) && glideSettled(current.b1, target.b1, rate) &&
           glideSettled(current.b2, target.b2, rate) && glideSettled(current.a1, target.a1, rate) &&
           glideSettled(current.a2, target.a2, rate);
}

// A flagged filter starts at its targets.
template <typename State, typename Coefficients>
void applyResetFlag(State& state, const Coefficients& target)
{
    if (state.resetFlag != 0)
    {
        state.current = target;
        state.resetFlag = 0;
    }
}

struct ChainTargets
{
    const dsp::FirstOrderCoefficients& first;
    const dsp::SecondOrderCoefficients& second;
    const dsp::FirstOrderCoefficients& third;
};

// The three filters in one loop, so that their recurrences overlap, with both
// channels in the lanes of vectors (a mono block runs its channel in both lanes
// and keeps lane 0). Without glides (every coefficient settled), the loop
// leaves the coefficients as they are.
template <bool kGlide>
void runChain(const double* const* source, double* const* destination, std::int32_t n, std::int32_t channels,
              SmoothedFirstOrderState& first, SmoothedSecondOrderState& second, SmoothedFirstOrderState& third,
              const ChainTargets& targets, double rate)
{
    dsp::FirstOrderCoefficients firstCoefficients = first.current;
    dsp::SecondOrderCoefficients secondCoefficients = second.current;
    dsp::FirstOrderCoefficients thirdCoefficients = third.current;
    const int last = channels - 1;
    DoubleLanes firstState = {first.channel[0], first.channel[last]};
    DoubleLanes secondState1 = {second.channel[0].s1, second.channel[last].s1};
    DoubleLanes secondState2 = {second.channel[0].s2, second.channel[last].s2};
    DoubleLanes thirdState = {third.channel[0], third.channel[last]};
    const double* source1 = source[last];

    for (std::int32_t i = 0; i < n; ++i)
    {
        if constexpr (kGlide)
        {
            glideCoefficients(firstCoefficients, targets.first, rate);
            glideCoefficients(secondCoefficients, targets.second, rate);
            glideCoefficients(thirdCoefficients, targets.third, rate);
        }
        const DoubleLanes x = {source[0][i], source1[i]};
        const DoubleLanes highPassed = firstOrderSection(x, firstState, firstCoefficients.b0, firstCoefficients.b1,
                                                         firstCoefficients.a1);
        const DoubleLanes belled =
            secondOrderSection(highPassed, secondState1, secondState2, secondCoefficients.b0, secondCoefficients.b1,
                               secondCoefficients.b2, secondCoefficients.a1, secondCoefficients.a2);
        const DoubleLanes y = firstOrderSection(belled, thirdState, thirdCoefficients.b0, thirdCoefficients.b1,
                                                thirdCoefficients.a1);
        destination[0][i] = y[0];
        if (channels == 2)
            destination[1][i] = y[1];
    }

    if constexpr (kGlide)
    {
        first.current = firstCoefficients;
        second.current = secondCoefficients;
        third.current = thirdCoefficients;
    }
    for (int c = 0; c < channels; ++c)
    {
        first.channel[c] = firstState[c];
        second.channel[c] = BiquadChannelState{secondState1[c], secondState2[c]};
        third.channel[c] = thirdState[c];
    }
}

} // namespace

void resetSmoothedFirstOrder(SmoothedFirstOrderState& state)
{
    state.resetFlag = 1;
    for (double& s : state.channel)
        s = 0.0;
    state.current = dsp::kFirstOrderPassThrough;
}

void resetSmoothedSecondOrder(SmoothedSecondOrderState& state)
{
    state.resetFlag = 1;
    for (BiquadChannelState& channel : state.channel)
        channel = BiquadChannelState{0.0, 0.0};
    state.current = dsp::kSecondOrderPassThrough;
}

void smoothedFilterChain(const double* const* source, double* const* destination, std::int32_t numSamples,
                         std::int32_t numChannels, SmoothedFirstOrderState& first,
                         const dsp::FirstOrderCoefficients& firstTarget, SmoothedSecondOrderState& second,
                         const dsp::SecondOrderCoefficients& secondTarget, SmoothedFirstOrderState& third,
                         const dsp::FirstOrderCoefficients& thirdTarget, double rate)
{
    applyResetFlag(first, firstTarget);
    applyResetFlag(second, secondTarget);
    applyResetFlag(third, thirdTarget);
    const std::int32_t n = boundedSampleCount(numSamples);
    const std::int32_t channels = boundedChannelCount(numChannels);
    const ChainTargets targets{firstTarget, secondTarget, thirdTarget};
    if (coefficientsSettled(first.current, firstTarget, rate) &&
        coefficientsSettled(second.current, secondTarget, rate) &&
        coefficientsSettled(third.current, thirdTarget, rate))
        runChain<false>(source, destination, n, channels, first, second, third, targets, rate);
    else
        runChain<true>(source, destination, n, channels, first, second, third, targets, rate);
}

} // namespace corvex
