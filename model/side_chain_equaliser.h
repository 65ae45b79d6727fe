#pragma once

#include "model/derived_values.h"
#include "model/parameter_snapshot.h"

namespace corvex
{

// Designs the side-chain equaliser targets (first-order high-pass, bell,
// first-order low-pass) from the "SC EQ" parameters; disabled sections are
// pass-through. The audio side glides towards these targets.
void updateSideChainEqualiser(const ParameterValues& values, ParameterSnapshot& snapshot);

} // namespace corvex
