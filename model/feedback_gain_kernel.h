#pragma once

#include "model/audio_block.h"
#include "model/first_output_circuit.h"
#include "model/parameter_snapshot.h"
#include "model/sliding_window_maximum.h"

#include <cstdint>

namespace corvex
{

// Per-channel smoother of the soft knee's width and offset.
struct KneeSmoother
{
    std::uint8_t resetFlag;
    double kneeWidth;
    double kneeOffset;
};

// State of the feedback gain computer. The mono variant uses the channel 0 copies.
struct KernelState
{
    std::uint8_t resetFlag;
    double ratioBlend; // current weight of the fast envelope branch, shared by the channels
    double lastGain[kMaxChannels];
    double envFast[kMaxChannels];
    double envSlow[kMaxChannels];
    KneeSmoother knee[kMaxChannels];
    FirstOutputCircuitState detector[kMaxChannels]; // the first output circuit, run on the detector signal
    HoldWindow hold[kMaxChannels];
};

// Flags set, ratio blend 0.0, last gains 1.0, envelopes, knee values and filter
// states 0.0, pass-through filter coefficients, hold windows empty and seeded.
void resetFeedbackGainKernel(KernelState& state);

// One linear gain in (0, 1] per detector sample, the detector seeing each sample
// multiplied by the previous gain. Mono: detector channel 0 with the mono
// threshold of detectorGains.
void feedbackGainKernel(const double* detector, double* gain, std::int32_t numSamples, KernelState& state,
                        const ParameterSnapshot& snapshot);

// Stereo: two copies of the chain with their own thresholds, linked at the
// rectifier when the snapshot asks for it.
void feedbackGainKernel(const double* const* detector, double* const* gain, std::int32_t numSamples,
                        KernelState& state, const ParameterSnapshot& snapshot);

} // namespace corvex
