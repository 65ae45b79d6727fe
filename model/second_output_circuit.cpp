#include "model/second_output_circuit.h"

#include "model/block_counts.h"

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
    SecondOutputCircuitState local = state;
    for (std::int32_t i = 0; i < n; ++i)
        destination[i] = secondOutputCircuitSample(local, source[i], constants);
    state = local;
}

} // namespace corvex
