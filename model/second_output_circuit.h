#pragma once

#include "model/fixed_filters.h"
#include "model/output_stage_constants.h"

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

// One channel: scale in, ceiling clip and floor clip with smoothed feedbacks,
// the saturated excess below the floor added back, high-pass, scale out.
void runSecondOutputCircuit(const double* source, double* destination, std::int32_t numSamples,
                            SecondOutputCircuitState& state, const OutputStageConstants& constants);

} // namespace corvex
