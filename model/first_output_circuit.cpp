#include "model/first_output_circuit.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/audio_block.h"
#include "model/block_counts.h"
#include "model/feedback_clip.h"
#include "model/soft_clip.h"

#include <algorithm>

namespace corvex
{

void resetFirstOutputCircuit(FirstOutputCircuitState& state)
{
    resetFixedSecondOrder(state.bell);
    resetFixedFirstOrder(state.lowPass);
    resetFixedSecondOrder(state.highPass);
    state.feedback = 0.0;
}

void runFirstOutputCircuit(const double* source, double* destination, std::int32_t numSamples,
                           FirstOutputCircuitState& state, const OutputStageConstants& constants)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    double scaled[kBlockCapacity];
    double clipped[kBlockCapacity];
    double cutOff[kBlockCapacity];
    double shaped[kBlockCapacity];
    double positive[kBlockCapacity];
    double saturated[kBlockCapacity];

    vec::scaleDoubles(source, constants.firstCircuitInputScale, scaled, n);

    // Floor clip: the amount cut off below the floor (u - c, never positive)
    // charges a smoothed feedback that shifts the following samples.
    const double floor = constants.firstCircuitFloor;
    state.feedback = clipWithFeedback(
        scaled, clipped, cutOff, n, state.feedback, [floor](double u) { return std::max(floor, u); },
        -constants.firstCircuitFeedbackGain, constants.firstCircuitFeedbackSmoothing);

    fixedSecondOrder(clipped, shaped, n, state.bell);

    // Only the positive half saturates; the negative half passes unchanged.
    vec::thresholdBelowDoubles(shaped, positive, n, 0.0);
    softClip(positive, saturated, n, constants.firstCircuitClip1);
    softClip(saturated, positive, n, constants.firstCircuitClip2);
    vec::thresholdAboveDoublesInPlace(shaped, n, 0.0);
    vec::addDoublesInPlace(shaped, positive, n);

    fixedFirstOrder(positive, saturated, n, state.lowPass);
    fixedSecondOrder(saturated, shaped, n, state.highPass);
    vec::scaleDoubles(shaped, constants.firstCircuitOutputScale, destination, n);
}

} // namespace corvex
