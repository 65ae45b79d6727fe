#pragma once

#include "model/fixed_filters.h"
#include "model/output_stage_constants.h"
#include "model/scaled_sample.h"
#include "model/soft_clip.h"

#include <algorithm>
#include <cstdint>

namespace corvex
{

// Per-channel state of the second output-stage circuit.
struct SecondOutputCircuitState
{
    FixedFirstOrder highPass; // first-order high-pass at 8.11728 Hz
    double upperFeedback;     // smoothed charge of the ceiling clip
    double lowerFeedback;     // smoothed charge of the floor clip
};

// Filter state and feedbacks 0.0, pass-through coefficients.
void resetSecondOutputCircuit(SecondOutputCircuitState& state);

// One sample through the circuit, for loops that keep the state in a local
// copy: scale in; ceiling clip, whose cut-off amount charges its feedback;
// floor clip, whose cut-off amount (never negative) charges its feedback and
// comes back below, scaled and saturated; high-pass; scale out.
inline double secondOutputCircuitSample(SecondOutputCircuitState& state, double x,
                                        const OutputStageConstants& constants)
{
    const double u = state.upperFeedback + scaledSample(x, constants.secondCircuitInputScale);
    const double ceilinged = std::min(constants.secondCircuitCeiling, u);
    state.upperFeedback = state.upperFeedback + ((ceilinged - u) * constants.secondCircuitUpperFeedbackGain -
                                                 state.upperFeedback) *
                                                    constants.secondCircuitUpperSmoothing;

    const double v = state.lowerFeedback + ceilinged;
    const double floored = std::max(constants.secondCircuitFloor, v);
    const double excess = floored - v;
    state.lowerFeedback = state.lowerFeedback +
                          (excess * constants.secondCircuitLowerFeedbackGain - state.lowerFeedback) *
                              constants.secondCircuitLowerSmoothing;

    const double restored =
        floored + softClip(scaledSample(excess, constants.secondCircuitExcessScale), constants.secondCircuitClip);
    return scaledSample(fixedFilterSample(state.highPass, restored), constants.secondCircuitOutputScale);
}

// One channel: scale in, ceiling clip and floor clip with smoothed feedbacks,
// the saturated excess below the floor added back, high-pass, scale out.
void runSecondOutputCircuit(const double* source, double* destination, std::int32_t numSamples,
                            SecondOutputCircuitState& state, const OutputStageConstants& constants);

} // namespace corvex
