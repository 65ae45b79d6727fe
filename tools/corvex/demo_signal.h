#pragma once

#include <vector>

namespace corvex::tool
{

inline constexpr int kDemoSampleRate = 48000;
inline constexpr int kDemoSeconds = 10;

// A deterministic 10-second stereo drum-and-bass groove at 174 BPM, interleaved,
// peaking at -1 dBFS: a quiet bar of hi-hats and sub bass, then kick, snare,
// hats and a sliding bass line. Noise comes from a fixed-seed generator, so
// every run writes the same samples.
std::vector<float> synthesizeDrumAndBass();

} // namespace corvex::tool
