#include "model/first_output_circuit.h"

namespace corvex
{

void resetFirstOutputCircuit(FirstOutputCircuitState& state)
{
    resetFixedSecondOrder(state.bell);
    resetFixedFirstOrder(state.lowPass);
    resetFixedSecondOrder(state.highPass);
    state.feedback = 0.0;
}

} // namespace corvex
