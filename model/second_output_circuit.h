#pragma once

#include "model/circuit_values.h"
#include "model/fixed_filters.h"
#include "model/glide.h"
#include "model/output_stage_constants.h"
#include "model/soft_clip.h"

namespace corvex
{

// State of the second output-stage circuit: one channel's (double) or both
// channels' in lanes (DoubleLanes).
template <class Value>
struct SecondOutputCircuit
{
    FirstOrderFilter<Value> highPass; // first-order high-pass at 8.11728 Hz
    Value upperFeedback;              // smoothed charge of the ceiling clip
    Value lowerFeedback;              // smoothed charge of the floor clip
};

using SecondOutputCircuitState = SecondOutputCircuit<double>;

// Filter state and feedbacks 0.0, pass-through coefficients.
void resetSecondOutputCircuit(SecondOutputCircuitState& state);

// One sample through the circuit, for loops that keep the state in a local
// copy: scale in; ceiling clip, whose cut-off amount charges its feedback;
// floor clip, whose cut-off amount (never negative) charges its feedback and
// comes back below, scaled and saturated; high-pass; scale out. (The scales
// are never 0, so a plain product is the block stages' scaling.)
template <class Value>
[[gnu::always_inline]] inline Value secondOutputCircuitSample(SecondOutputCircuit<Value>& state, Value x,
                                                              const SecondCircuitConstants<Value>& k)
{
    const Value u = state.upperFeedback + x * k.inputScale;
    const Value ceilinged = smaller(k.ceiling, u);
    state.upperFeedback = glideStep(state.upperFeedback, (ceilinged - u) * k.upperFeedbackGain, k.upperSmoothing);

    const Value v = state.lowerFeedback + ceilinged;
    const Value floored = larger(k.floor, v);
    const Value excess = floored - v;
    state.lowerFeedback = glideStep(state.lowerFeedback, excess * k.lowerFeedbackGain, k.lowerSmoothing);

    const Value restored = floored + softClipNonNegative(excess * k.excessScale, k.clip);
    return filterSample(state.highPass, restored) * k.outputScale;
}

} // namespace corvex
