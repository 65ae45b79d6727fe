#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvex::testing
{

// Non-interleaved audio: one vector of samples per channel, all the same length.
using Audio = std::vector<std::vector<float>>;

// A deterministic programme signal for numChannels channels: tones whose level
// swells from quiet to near full scale and back, plus a little noise, different
// on every channel and for every seed.
Audio programmeSignal(int numChannels, std::size_t numFrames, double sampleRate, std::uint32_t seed);

// A side-chain signal: loud low-frequency bursts separated by silence.
Audio sideChainBursts(int numChannels, std::size_t numFrames, double sampleRate);

} // namespace corvex::testing
