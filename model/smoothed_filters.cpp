#include "model/smoothed_filters.h"

#include "model/block_counts.h"
#include "model/transposed_direct_form.h"

namespace corvex
{

namespace
{

// Moves a coefficient by the fraction rate of its distance to the target.
inline double glide(double current, double target, double rate)
{
    return current + (target - current) * rate;
}

// The used coefficients glide; a0 is neither glided nor read.
void glideCoefficients(dsp::FirstOrderCoefficients& current, const dsp::FirstOrderCoefficients& target, double rate)
{
    current.b0 = glide(current.b0, target.b0, rate);
    current.b1 = glide(current.b1, target.b1, rate);
    current.a1 = glide(current.a1, target.a1, rate);
}

void glideCoefficients(dsp::SecondOrderCoefficients& current, const dsp::SecondOrderCoefficients& target,
                       double rate)
{
    current.b0 = glide(current.b0, target.b0, rate);
    current.b1 = glide(current.b1, target.b1, rate);
    current.b2 = glide(current.b2, target.b2, rate);
    current.a1 = glide(current.a1, target.a1, rate);
    current.a2 = glide(current.a2, target.a2, rate);
}

double filterSample(double x, double& s, const dsp::FirstOrderCoefficients& c)
{
    return firstOrderSection(x, s, c.b0, c.b1, c.a1);
}

double filterSample(double x, BiquadChannelState& s, const dsp::SecondOrderCoefficients& c)
{
    return secondOrderSection(x, s.s1, s.s2, c.b0, c.b1, c.b2, c.a1, c.a2);
}

// The block loop of both kernels: coefficients and channel states in locals,
// one glide per sample shared by the channels, stored back once.
template <int kChannels, typename Coefficients, typename ChannelState>
void runSmoothed(const double* const* source, double* const* destination, std::int32_t n, Coefficients& current,
                 ChannelState* states, const Coefficients& target, double rate)
{
    Coefficients coefficients = current;
    ChannelState s[kChannels];
    for (int c = 0; c < kChannels; ++c)
        s[c] = states[c];

    for (std::int32_t i = 0; i < n; ++i)
    {
        glideCoefficients(coefficients, target, rate);
        for (int c = 0; c < kChannels; ++c)
            destination[c][i] = filterSample(source[c][i], s[c], coefficients);
    }

    current = coefficients;
    for (int c = 0; c < kChannels; ++c)
        states[c] = s[c];
}

// Starts a flagged filter at its targets, then runs the mono or the stereo loop.
template <typename State, typename Coefficients>
void runSmoothedFilter(const double* const* source, double* const* destination, std::int32_t numSamples,
                       std::int32_t numChannels, State& state, const Coefficients& target, double rate)
{
    if (state.resetFlag != 0)
    {
        state.current = target;
        state.resetFlag = 0;
    }
    const std::int32_t n = boundedSampleCount(numSamples);
    if (boundedChannelCount(numChannels) == 1)
        runSmoothed<1>(source, destination, n, state.current, state.channel, target, rate);
    else
        runSmoothed<2>(source, destination, n, state.current, state.channel, target, rate);
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

void smoothedFirstOrder(const double* const* source, double* const* destination, std::int32_t numSamples,
                        std::int32_t numChannels, SmoothedFirstOrderState& state,
                        const dsp::FirstOrderCoefficients& target, double rate)
{
    runSmoothedFilter(source, destination, numSamples, numChannels, state, target, rate);
}

void smoothedSecondOrder(const double* const* source, double* const* destination, std::int32_t numSamples,
                         std::int32_t numChannels, SmoothedSecondOrderState& state,
                         const dsp::SecondOrderCoefficients& target, double rate)
{
    runSmoothedFilter(source, destination, numSamples, numChannels, state, target, rate);
}

} // namespace corvex
