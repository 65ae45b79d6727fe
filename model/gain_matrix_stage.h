#pragma once

#include "model/gain_matrix.h"

#include <cstdint>

namespace corvex
{

// The smoothed values of a GainMatrix's c0 to c3. A one-channel block smooths
// the matrix's mono gain in the slot of s0.
struct GainMatrixState
{
    std::uint8_t resetFlag;
    double s0;
    double s1;
    double s2;
    double s3;
};

// Flag set (the next block starts at the targets), values 0.0.
void resetGainMatrix(GainMatrixState& state);

// destination = smoothed matrix x source: a plain gain for one channel, the 2 x 2
// matrix for two (which also encodes and decodes mid/side).
void gainMatrixStage(const double* const* source, double* const* destination, std::int32_t numSamples,
                     std::int32_t numChannels, GainMatrixState& state, const GainMatrix& matrix);

} // namespace corvex
