#pragma once

#include "model/audio_block.h"
#include "model/parameter_snapshot.h"
#include "model/smoothed_filters.h"

#include <cstdint>

namespace corvex
{

inline constexpr std::uint32_t kWarpBufferLength = 4096; // samples per channel, a power of two

// Per-sample glide of the side-chain equaliser's coefficients (time constant 2000 samples).
inline constexpr double kSideChainEqualiserGlideRate = 0.0005;

// The side-chain path: the time-warp delay, indexed by detector channel, and the
// equaliser (high-pass, bell, low-pass).
struct SideChainState
{
    double warpBuffer[kMaxChannels][kWarpBufferLength];
    std::uint32_t warpWritePosition;
    SmoothedFirstOrderState highPassState;
    SmoothedSecondOrderState bellState;
    SmoothedFirstOrderState lowPassState;
};

// Silent delay at position 0; every equaliser filter flagged, cleared and pass-through.
void resetSideChainPath(SideChainState& state);

// listen = the equalised source; detector = listen with the channels exchanged
// when the snapshot asks for it (stereo only), delayed by sideChainDelaySamples.
void runSideChainPath(const double* const* source, double* const* listen, double* const* detector,
                      std::int32_t numSamples, std::int32_t numChannels, const ParameterSnapshot& snapshot,
                      SideChainState& state);

} // namespace corvex
