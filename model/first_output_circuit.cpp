#include "model/first_output_circuit.h"

#include "model/block_counts.h"

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
    FirstOutputCircuitState local = state;
    for (std::int32_t i = 0; i < n; ++i)
        destination[i] = firstOutputCircuitSample(local, source[i], constants);
    state = local;
}

} // namespace corvex
