#include "model/second_output_circuit.h"

namespace corvex
{

void resetSecondOutputCircuit(SecondOutputCircuitState& state)
{
    resetFixedFirstOrder(state.highPass);
    state.upperFeedback = 0.0;
    state.lowerFeedback = 0.0;
}

} // namespace corvex
