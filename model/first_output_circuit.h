#pragma once

#include "model/fixed_filters.h"
#include "model/output_stage_constants.h"

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

// One channel: scale in, floor clip with smoothed feedback, bell, saturation of
// the positive half, low-pass, high-pass, scale out.
void runFirstOutputCircuit(const double* source, double* destination, std::int32_t numSamples,
                           FirstOutputCircuitState& state, const OutputStageConstants& constants);

} // namespace corvex
