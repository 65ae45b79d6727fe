#pragma once

// The two channels' circuit states packed into the lanes of one state
// (channel c in lane c) for the stereo loops, and back.

#include "model/circuit_values.h"
#include "model/first_output_circuit.h"
#include "model/fixed_filters.h"
#include "model/second_output_circuit.h"

namespace corvex
{

inline FirstOrderFilter<DoubleLanes> packFilter(const FixedFirstOrder& f0, const FixedFirstOrder& f1)
{
    return {lanes(f0.s, f1.s), lanes(f0.b0, f1.b0), lanes(f0.b1, f1.b1), lanes(f0.a1, f1.a1)};
}

inline SecondOrderFilter<DoubleLanes> packFilter(const FixedSecondOrder& f0, const FixedSecondOrder& f1)
{
    return {lanes(f0.s1, f1.s1), lanes(f0.s2, f1.s2), lanes(f0.b0, f1.b0), lanes(f0.b1, f1.b1),
            lanes(f0.b2, f1.b2), lanes(f0.a1, f1.a1), lanes(f0.a2, f1.a2)};
}

// The filter states of lane c back into the channel's record (the
// coefficients do not change).
inline void unpackFilter(const FirstOrderFilter<DoubleLanes>& packed, int c, FixedFirstOrder& filter)
{
    filter.s = packed.s[c];
}

inline void unpackFilter(const SecondOrderFilter<DoubleLanes>& packed, int c, FixedSecondOrder& filter)
{
    filter.s1 = packed.s1[c];
    filter.s2 = packed.s2[c];
}

inline FirstOutputCircuit<DoubleLanes> packCircuit(const FirstOutputCircuitState& c0,
                                                   const FirstOutputCircuitState& c1)
{
    return {packFilter(c0.bell, c1.bell), packFilter(c0.lowPass, c1.lowPass), packFilter(c0.highPass, c1.highPass),
            lanes(c0.feedback, c1.feedback)};
}

inline void unpackCircuit(const FirstOutputCircuit<DoubleLanes>& packed, int c, FirstOutputCircuitState& circuit)
{
    unpackFilter(packed.bell, c, circuit.bell);
    unpackFilter(packed.lowPass, c, circuit.lowPass);
    unpackFilter(packed.highPass, c, circuit.highPass);
    circuit.feedback = packed.feedback[c];
}

inline SecondOutputCircuit<DoubleLanes> packCircuit(const SecondOutputCircuitState& c0,
                                                    const SecondOutputCircuitState& c1)
{
    return {packFilter(c0.highPass, c1.highPass), lanes(c0.upperFeedback, c1.upperFeedback),
            lanes(c0.lowerFeedback, c1.lowerFeedback)};
}

inline void unpackCircuit(const SecondOutputCircuit<DoubleLanes>& packed, int c, SecondOutputCircuitState& circuit)
{
    unpackFilter(packed.highPass, c, circuit.highPass);
    circuit.upperFeedback = packed.upperFeedback[c];
    circuit.lowerFeedback = packed.lowerFeedback[c];
}

} // namespace corvex
