#pragma once

#include "model/parameter_snapshot.h"

#include <array>
#include <cstdint>

namespace corvex
{

// What the snapshot updates read: the normalized values and the sample rate, as
// they are at the moment the update runs.
struct ParameterValues
{
    std::array<float, 20> normalized;
    float sampleRate;
};

void updateEnableSwitch(const ParameterValues& values, ParameterSnapshot& snapshot);
void updateSideChainMatrices(const ParameterValues& values, ParameterSnapshot& snapshot);
void updateLevelsAndRouting(const ParameterValues& values, ParameterSnapshot& snapshot);
void updateBallistics(const ParameterValues& values, ParameterSnapshot& snapshot);

// Runs the updates that a change of the parameter selects, in their order; an
// identifier outside 0 to 19 runs none.
void runParameterUpdates(std::int32_t parameterId, const ParameterValues& values, ParameterSnapshot& snapshot);

// Derives every field of the snapshot, the output-stage constants included.
void rebuildSnapshot(const ParameterValues& values, ParameterSnapshot& snapshot);

} // namespace corvex
