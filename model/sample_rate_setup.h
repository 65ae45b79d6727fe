#pragma once

namespace corvex
{

struct ModelState;

// Returns every stage of the signal path to its initial state: delay lines
// silent, smoothers flagged to start at their targets, meters 0.0.
void resetModelState(ModelState& state);

// Designs the fixed filters of the gain computer's detector and of both
// output-stage circuits for the sample rate, for both channels.
void prepareFixedFilters(ModelState& state, double sampleRate);

} // namespace corvex
