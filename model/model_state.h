#pragma once

#include "model/audio_block.h"
#include "model/crossfade_mixer.h"
#include "model/delay_line.h"
#include "model/feedback_gain_kernel.h"
#include "model/first_output_circuit.h"
#include "model/gain_matrix_stage.h"
#include "model/gain_ramp.h"
#include "model/second_output_circuit.h"
#include "model/side_chain_path.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace corvex
{

// The stages that run once per channel after the input matrix.
struct ChannelState
{
    GainRampState inputRamp;
    GainRampState outputRamp;
    FirstOutputCircuitState firstCircuit;
    SecondOutputCircuitState secondCircuit;
};

// All signal-path memory of the engine in one fixed-size block: no pointers,
// nothing allocated per call.
struct alignas(16) ModelState
{
    // Bypass crossfade
    std::uint8_t resetPending;
    double enableFade;

    GainMatrixState inputMatrixState;
    GainMatrixState sideChainMatrixState;
    GainMatrixState outputMatrixState;
    GainMatrixState listenMatrixState;

    DelayLineState dryDelay;
    DelayLineState listenDelay;

    CrossfadeState dryWetMixerState;
    CrossfadeState listenMixerState;

    SideChainState sideChain;
    KernelState kernel;

    DelayLineState mainDelay;

    // Linear meter values per channel, written by the audio thread and read by
    // the host from any thread without the lock.
    std::atomic<double> gainReductionMeter[kMaxChannels];
    std::atomic<double> inputMeter[kMaxChannels];
    std::atomic<double> outputMeter[kMaxChannels];

    ChannelState channels[kMaxChannels];
};

static_assert(std::atomic<double>::is_always_lock_free, "meters are read without a lock");
static_assert(std::is_standard_layout_v<ModelState>);
static_assert(offsetof(ModelState, inputMeter) ==
                  offsetof(ModelState, gainReductionMeter) + kMaxChannels * sizeof(std::atomic<double>),
              "the six meters are contiguous");
static_assert(offsetof(ModelState, outputMeter) ==
                  offsetof(ModelState, inputMeter) + kMaxChannels * sizeof(std::atomic<double>),
              "the six meters are contiguous");

} // namespace corvex
