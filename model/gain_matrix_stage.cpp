#include "model/gain_matrix_stage.h"

#include "model/block_counts.h"
#include "model/glide.h"

namespace corvex
{

void resetGainMatrix(GainMatrixState& state)
{
    state = GainMatrixState{1, 0.0, 0.0, 0.0, 0.0};
}

void gainMatrixStage(const double* const* source, double* const* destination, std::int32_t numSamples,
                     std::int32_t numChannels, GainMatrixState& state, const GainMatrix& matrix)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    const bool mono = numChannels == 1;
    if (state.resetFlag != 0)
    {
        state.s0 = mono ? matrix.mono : matrix.c0;
        state.s1 = matrix.c1;
        state.s2 = matrix.c2;
        state.s3 = matrix.c3;
        state.resetFlag = 0;
    }

    const double smoothing = matrix.smoothing;
    double s0 = state.s0;
    if (mono)
    {
        const double target = matrix.mono;
        const double* in = source[0];
        double* out = destination[0];
        if (glideSettled(s0, target, smoothing))
        {
            for (std::int32_t i = 0; i < n; ++i)
                out[i] = s0 * in[i];
            return;
        }
        for (std::int32_t i = 0; i < n; ++i)
        {
            s0 = glideStep(s0, target, smoothing);
            out[i] = s0 * in[i];
        }
        state.s0 = s0;
        return;
    }

    double s1 = state.s1;
    double s2 = state.s2;
    double s3 = state.s3;
    const double* in0 = source[0];
    const double* in1 = source[1];
    double* out0 = destination[0];
    double* out1 = destination[1];
    if (glideSettled(s0, matrix.c0, smoothing) && glideSettled(s1, matrix.c1, smoothing) &&
        glideSettled(s2, matrix.c2, smoothing) && glideSettled(s3, matrix.c3, smoothing))
    {
        for (std::int32_t i = 0; i < n; ++i)
        {
            out0[i] = s0 * in0[i] + s2 * in1[i];
            out1[i] = s1 * in0[i] + s3 * in1[i];
        }
        return;
    }
    for (std::int32_t i = 0; i < n; ++i)
    {
        s0 = glideStep(s0, matrix.c0, smoothing);
        s1 = glideStep(s1, matrix.c1, smoothing);
        s2 = glideStep(s2, matrix.c2, smoothing);
        s3 = glideStep(s3, matrix.c3, smoothing);
        out0[i] = s0 * in0[i] + s2 * in1[i];
        out1[i] = s1 * in0[i] + s3 * in1[i];
    }
    state.s0 = s0;
    state.s1 = s1;
    state.s2 = s2;
    state.s3 = s3;
}

} // namespace corvex
