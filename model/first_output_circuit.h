#pragma once

#include "model/circuit_values.h"
#include "model/fixed_filters.h"
#include "model/glide.h"
#include "model/output_stage_constants.h"
#include "model/soft_clip.h"

namespace corvex
{

// State of the first output-stage circuit, which the gain computer's detector
// runs too: one channel's (double) or both channels' in lanes (DoubleLanes).
template <class Value>
struct FirstOutputCircuit
{
    SecondOrderFilter<Value> bell;    // 2345 Hz bell
    FirstOrderFilter<Value> lowPass;  // 18000 Hz
    SecondOrderFilter<Value> highPass; // second-order high-pass at 4.28651 Hz
    Value feedback;                   // smoothed charge of the floor clip
};

using FirstOutputCircuitState = FirstOutputCircuit<double>;

// Filter states and feedback 0.0, pass-through coefficients.
void resetFirstOutputCircuit(FirstOutputCircuitState& state);

// One sample through the circuit, for loops that keep the state in a local
// copy: scale in; floor clip, whose cut-off amount (u - c, never positive)
// charges a smoothed feedback that shifts the following samples; bell;
// saturation of the positive half (the negative half passes unchanged);
// low-pass; high-pass; scale out. (The scales are never 0, so a plain product
// is the block stages' scaling, whose factor 0 would give +0.0.)
template <class Value>
[[gnu::always_inline]] inline Value firstOutputCircuitSample(FirstOutputCircuit<Value>& state, Value x,
                                                             const FirstCircuitConstants<Value>& k)
{
    const Value u = k.inputScale * x + state.feedback;
    const Value c = larger(k.floor, u);
    state.feedback = glideStep(state.feedback, k.feedbackGain * (u - c), k.feedbackSmoothing);

    const Value shaped = filterSample(state.bell, c);
    const Value saturated =
        softClipNonNegative(softClipNonNegative(positiveHalf(shaped), k.clip1), k.clip2) + negativeHalf(shaped);

    const Value lowPassed = filterSample(state.lowPass, saturated);
    const Value highPassed = filterSample(state.highPass, lowPassed);
    return highPassed * k.outputScale;
}

} // namespace corvex
