#include "model/second_output_circuit.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/audio_block.h"
#include "model/block_counts.h"
#include "model/feedback_clip.h"
#include "model/soft_clip.h"

#include <algorithm>

namespace corvex
{

void resetSecondOutputCircuit(SecondOutputCircuitState& state)
{
    resetFixedFirstOrder(state.highPass);
    state.upperFeedback = 0.0;
    state.lowerFeedback = 0.0;
}

void runSecondOutputCircuit(const double* source, double* destination, std::int32_t numSamples,
                            SecondOutputCircuitState& state, const OutputStageConstants& constants)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    double scaled[kBlockCapacity];
    double ceilinged[kBlockCapacity];
    double floored[kBlockCapacity];
    double excess[kBlockCapacity];
    double saturated[kBlockCapacity];

    vec::scaleDoubles(source, constants.secondCircuitInputScale, scaled, n);

    // Ceiling clip: the amount cut off above the ceiling charges its feedback.
    const double ceiling = constants.secondCircuitCeiling;
    state.upperFeedback = clipWithFeedback(
        scaled, ceilinged, excess, n, state.upperFeedback, [ceiling](double u) { return std::min(ceiling, u); },
        constants.secondCircuitUpperFeedbackGain, constants.secondCircuitUpperSmoothing);

    // Floor clip: the amount cut off below the floor (never negative) charges its
    // feedback and comes back below, saturated.
    const double floor = constants.secondCircuitFloor;
    state.lowerFeedback = clipWithFeedback(
        ceilinged, floored, excess, n, state.lowerFeedback, [floor](double u) { return std::max(floor, u); },
        constants.secondCircuitLowerFeedbackGain, constants.secondCircuitLowerSmoothing);

    vec::scaleDoublesInPlace(constants.secondCircuitExcessScale, excess, n);
    softClip(excess, saturated, n, constants.secondCircuitClip);
    vec::addDoublesInPlace(saturated, floored, n);

    fixedFirstOrder(floored, scaled, n, state.highPass);
    vec::scaleDoubles(scaled, constants.secondCircuitOutputScale, destination, n);
}

} // namespace corvex
