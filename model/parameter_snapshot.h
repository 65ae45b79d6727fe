#pragma once

#include "libraries/dsp/filter_design/coefficients.h"
#include "model/gain_matrix.h"
#include "model/output_stage_constants.h"

#include <cstdint>
#include <type_traits>

namespace corvex
{

// Every value the audio side derives from the parameters and the sample rate.
// Written on the control side under the engine's mutex, copied whole (bytes,
// padding included) into the audio side's working copy once per block.
struct alignas(16) ParameterSnapshot
{
    // Enable switch
    std::uint8_t effectEnabled;
    double enableFadeTarget;

    // Side-chain matrices
    GainMatrix inputMatrix;
    GainMatrix sideChainMatrix;
    GainMatrix outputMatrix;

    // Levels and routing; gain targets are {mono, stereo channel 0, stereo channel 1}
    double inputGainTargets[3];
    double outputGainTargets[3];
    double dryWetMix;
    GainMatrix listenMatrix;
    double listenMix;
    std::uint8_t externalSideChain;
    std::uint32_t latencySamples;
    std::uint32_t sideChainDelaySamples;
    double gainFloor;

    // Side-chain equaliser targets
    dsp::FirstOrderCoefficients sideChainHighPass;
    dsp::SecondOrderCoefficients sideChainBell;
    dsp::FirstOrderCoefficients sideChainLowPass;

    // Detection routing
    std::uint8_t sideChainSwap;
    std::uint8_t detectionLinked;
    std::int32_t warpLeadSamples;

    // Ballistics; detectorGains are {mono, stereo channel 0, stereo channel 1}
    double ratioFactor;
    double ballisticsCoefficients[4];
    double detectorGains[3];
    double ratioAllOffset;
    double ballisticsBlend;
    double ratioAllGain;
    double kernelOffset;

    // Fixed constants of the output-stage circuits
    OutputStageConstants outputStage;
};

static_assert(std::is_trivially_copyable_v<ParameterSnapshot>);

} // namespace corvex
