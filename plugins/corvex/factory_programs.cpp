#include "plugins/corvex/factory_programs.h"

#include "corvex_engine.h"

#include <array>

namespace corvex::plugin
{
namespace
{

// Choice indexes of the engine's texts, as the programs use them.
constexpr float kOn = 1.0f;
constexpr float kRatio4 = 0.0f;
constexpr float kRatio8 = 1.0f;
constexpr float kRatio20 = 3.0f;
constexpr float kRatioAll = 4.0f;
constexpr float kDetectionLinked = 2.0f;

constexpr std::array<ProgramSetting, 0> kDefault{};

// Steady vocal level: moderate drive, medium attack, slower release, the lows
// out of the detector so plosives do not pump.
constexpr std::array kVocalLeveller{
    ProgramSetting{kParamInputGain, -14.0f},   ProgramSetting{kParamOutputGain, -16.0f},
    ProgramSetting{kParamAttackTime, 3.0f},    ProgramSetting{kParamReleaseTime, 5.0f},
    ProgramSetting{kParamRatio, kRatio4},      ProgramSetting{kParamSideChainEqOn, kOn},
    ProgramSetting{kParamSideChainEqHighPassOn, kOn}, ProgramSetting{kParamSideChainEqHighPassFreq, 120.0f},
};

// Drum-bus glue: both channels linked, slow attack lets transients through,
// fast release, mixed back with the dry drums.
constexpr std::array kDrumBusGlue{
    ProgramSetting{kParamInputGain, -16.0f},   ProgramSetting{kParamOutputGain, -20.0f},
    ProgramSetting{kParamAttackTime, 5.0f},    ProgramSetting{kParamReleaseTime, 2.0f},
    ProgramSetting{kParamRatio, kRatio4},      ProgramSetting{kParamSideChainDetectionMode, kDetectionLinked},
    ProgramSetting{kParamDryWet, 70.0f},
};

// New York style parallel crush: hard ratio, fast times, half dry.
constexpr std::array kParallelCrush{
    ProgramSetting{kParamInputGain, -6.0f},   ProgramSetting{kParamOutputGain, -18.0f},
    ProgramSetting{kParamAttackTime, 1.0f},   ProgramSetting{kParamReleaseTime, 1.0f},
    ProgramSetting{kParamRatio, kRatio20},    ProgramSetting{kParamSideChainDetectionMode, kDetectionLinked},
    ProgramSetting{kParamDryWet, 45.0f},
};

// Bass: linked, the detector's lows tamed so the note, not the fundamental, rides the gain.
constexpr std::array kBassControl{
    ProgramSetting{kParamInputGain, -16.0f},  ProgramSetting{kParamOutputGain, -18.0f},
    ProgramSetting{kParamAttackTime, 4.0f},   ProgramSetting{kParamReleaseTime, 4.0f},
    ProgramSetting{kParamRatio, kRatio8},     ProgramSetting{kParamSideChainEqOn, kOn},
    ProgramSetting{kParamSideChainEqHighPassOn, kOn}, ProgramSetting{kParamSideChainEqHighPassFreq, 60.0f},
};

// De-esser: the detector hears only a band around the sibilants, and the gain
// reduction is limited to a few dB.
constexpr std::array kDeEsser{
    ProgramSetting{kParamInputGain, -12.0f},       ProgramSetting{kParamOutputGain, -12.0f},
    ProgramSetting{kParamAttackTime, 1.0f},        ProgramSetting{kParamReleaseTime, 2.0f},
    ProgramSetting{kParamRatio, kRatio8},          ProgramSetting{kParamSideChainEqOn, kOn},
    ProgramSetting{kParamSideChainEqHighPassOn, kOn}, ProgramSetting{kParamSideChainEqHighPassFreq, 1200.0f},
    ProgramSetting{kParamSideChainEqBellFreq, 6500.0f}, ProgramSetting{kParamSideChainEqBellGain, 12.0f},
    ProgramSetting{kParamGainReductionRange, 8.0f},
};

// Mix-bus limiter: every ratio at once, linked, and 5 ms of look-ahead so the
// gain is down before the peak arrives.
constexpr std::array kMixBusLimiter{
    ProgramSetting{kParamInputGain, -12.0f},  ProgramSetting{kParamOutputGain, -13.0f},
    ProgramSetting{kParamAttackTime, 1.0f},   ProgramSetting{kParamReleaseTime, 3.0f},
    ProgramSetting{kParamRatio, kRatioAll},   ProgramSetting{kParamSideChainDetectionMode, kDetectionLinked},
    ProgramSetting{kParamSideChainTimeWarp, 5.0f},
};

// Ducking: the external side chain (a voice-over, a kick) pushes the track down.
constexpr std::array kSideChainDucker{
    ProgramSetting{kParamInputGain, -24.0f},  ProgramSetting{kParamOutputGain, -24.0f},
    ProgramSetting{kParamAttackTime, 2.0f},   ProgramSetting{kParamReleaseTime, 4.0f},
    ProgramSetting{kParamRatio, kRatio8},     ProgramSetting{kParamExternalSideChain, kOn},
    ProgramSetting{kParamExternalSideChainGain, 12.0f},
    ProgramSetting{kParamSideChainDetectionMode, kDetectionLinked},
};

constexpr std::array kPrograms{
    FactoryProgram{"Default", kDefault},
    FactoryProgram{"Vocal Leveller", kVocalLeveller},
    FactoryProgram{"Drum Bus Glue", kDrumBusGlue},
    FactoryProgram{"Parallel Crush", kParallelCrush},
    FactoryProgram{"Bass Control", kBassControl},
    FactoryProgram{"De-Esser", kDeEsser},
    FactoryProgram{"Mix Bus Limiter", kMixBusLimiter},
    FactoryProgram{"Side-Chain Ducker", kSideChainDucker},
};

} // namespace

std::span<const FactoryProgram> factoryPrograms()
{
    return kPrograms;
}

} // namespace corvex::plugin
