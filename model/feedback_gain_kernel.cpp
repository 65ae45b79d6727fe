#include "model/feedback_gain_kernel.h"

#include "model/feedback_gain_kernel_loop.h"

namespace corvex
{

void resetFeedbackGainKernel(KernelState& state)
{
    state.resetFlag = 1;
    state.ratioBlend = 0.0;
    for (int c = 0; c < kMaxChannels; ++c)
    {
        state.lastGain[c] = 1.0;
        state.envFast[c] = 0.0;
        state.envSlow[c] = 0.0;
        state.knee[c] = KneeSmoother{1, 0.0, 0.0};
        resetFirstOutputCircuit(state.detector[c]);
        resetHoldWindow(state.hold[c]);
    }
}

void feedbackGainKernel(const double* detector, double* gain, std::int32_t numSamples, KernelState& state,
                        const ParameterSnapshot& snapshot)
{
    runFeedbackGainKernel<1>(&detector, numSamples, state, snapshot, &snapshot.detectorGains[0],
                             [gain](int, std::int32_t i, double g) { gain[i] = g; });
}

void feedbackGainKernel(const double* const* detector, double* const* gain, std::int32_t numSamples,
                        KernelState& state, const ParameterSnapshot& snapshot)
{
    runFeedbackGainKernel<2>(detector, numSamples, state, snapshot, &snapshot.detectorGains[1],
                             [gain](int c, std::int32_t i, double g) { gain[c][i] = g; });
}

} // namespace corvex
