#pragma once

#include "model/fixed_filters.h"
#include "model/output_stage_constants.h"
#include "model/scaled_sample.h"
#include "model/soft_clip.h"

#include <algorithm>
#include <cstdint>

namespace corvex
{

// Per-channel state of the first output-stage circuit.
struct FirstOutputCircuitState
{
    FixedSecondOrder bell;    // 2345 Hz bell
    FixedFirstOrder lowPass;  // 18000 Hz
    FixedSecondOrder highPass; // second-order high-pass at 4.28651 Hz
    double feedback;          // smoothed charge of the floor clip
};

// Filter states and feedback 0.0, pass-through coefficients.
void resetFirstOutputCircuit(FirstOutputCircuitState& state);

// One sample through the circuit, for loops that keep the state in a local
// copy: scale in; floor clip, whose cut-off amount (u - c, never positive)
// charges a smoothed feedback that shifts the following samples; bell;
// saturation of the positive half (the negative half passes unchanged);
// low-pass; high-pass; scale out.
inline double firstOutputCircuitSample(FirstOutputCircuitState& state, double x, const OutputStageConstants& constants)
{
    const double u = state.feedback + scaledSample(x, constants.firstCircuitInputScale);
    const double c = std::max(constants.firstCircuitFloor, u);
    state.feedback = state.feedback + ((c - u) * -constants.firstCircuitFeedbackGain - state.feedback) *
                                          constants.firstCircuitFeedbackSmoothing;

    const double shaped = fixedFilterSample(state.bell, c);
    const double positive = shaped > 0.0 ? shaped : 0.0;
    const double negative = 0.0 < shaped ? 0.0 : shaped;
    const double saturated =
        softClipNonNegative(softClipNonNegative(positive, constants.firstCircuitClip1), constants.firstCircuitClip2) +
        negative;

    const double lowPassed = fixedFilterSample(state.lowPass, saturated);
    const double highPassed = fixedFilterSample(state.highPass, lowPassed);
    return scaledSample(highPassed, constants.firstCircuitOutputScale);
}

// One channel: scale in, floor clip with smoothed feedback, bell, saturation of
// the positive half, low-pass, high-pass, scale out.
void runFirstOutputCircuit(const double* source, double* destination, std::int32_t numSamples,
                           FirstOutputCircuitState& state, const OutputStageConstants& constants);

} // namespace corvex
