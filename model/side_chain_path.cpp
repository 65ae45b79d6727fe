#include "model/side_chain_path.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/block_counts.h"
#include "model/ring_delay.h"

namespace corvex
{

void resetSideChainPath(SideChainState& state)
{
    for (double* channel : state.warpBuffer)
        vec::zeroDoubles(channel, kWarpBufferLength);
    state.warpWritePosition = 0;
    resetSmoothedFirstOrder(state.highPassState);
    resetSmoothedSecondOrder(state.bellState);
    resetSmoothedFirstOrder(state.lowPassState);
}

void runSideChainPath(const double* const* source, double* const* listen, double* const* detector,
                      std::int32_t numSamples, std::int32_t numChannels, const ParameterSnapshot& snapshot,
                      SideChainState& state)
{
    const std::int32_t n = boundedSampleCount(numSamples);
    const std::int32_t channels = boundedChannelCount(numChannels);

    smoothedFilterChain(source, listen, n, channels, state.highPassState, snapshot.sideChainHighPass,
                        state.bellState, snapshot.sideChainBell, state.lowPassState, snapshot.sideChainLowPass,
                        kSideChainEqualiserGlideRate);

    // Detector channel c reads listen channel c, or the other one when swapped.
    const bool swap = channels == 2 && snapshot.sideChainSwap != 0;
    const double* ordered[kMaxChannels] = {};
    for (std::int32_t c = 0; c < channels; ++c)
        ordered[c] = listen[swap ? 1 - c : c];

    // The time-warp delay's buffers belong to the detector channels: after a
    // change of the swap, each detector channel's history stays its own.
    state.warpWritePosition = runRingDelay<kWarpBufferLength>(ordered, detector, n, channels, state.warpBuffer,
                                                              state.warpWritePosition,
                                                              snapshot.sideChainDelaySamples);
}

} // namespace corvex
