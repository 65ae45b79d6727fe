#include "model/derived_values.h"

#include "libraries/dsp/filter_design/db_to_gain.h"
#include "libraries/dsp/math/exp.h"
#include "model/parameter_table.h"
#include "model/side_chain_equaliser.h"
#include "model/value_lookup.h"

#include <algorithm>
#include <cmath>

namespace corvex
{

namespace
{

using dsp::dbToGain;
using Grid = double[3][3]; // [release row][attack column]

constexpr Grid kLevelTable = {{-24.43, -25.209999, -25.309999}, {-25.1, -25.120001, -24.0}, {-24.43, -24.0, -24.5}};
constexpr Grid kRatioScaleTable = {{10.0, 0.8, 1.75}, {7.0, 8.0, 8.0}, {1.0, 1.3, 4.0}};
constexpr Grid kTimeTables[4] = {
    {{18.0, 10.0, 1.9}, {19.0, 5.01, 2.3}, {20.0, 5.0, 1.9}},
    {{546.0, 300.0, 500.0}, {176.0, 207.0, 253.0}, {73.0, 30.0, 54.0}},
    {{900.0, 80.0, 24.0}, {1574.0, 804.0, 562.0}, {2000.0, 1062.0, 830.0}},
    {{1440.0, 1400.0, 1400.0}, {895.0, 826.0, 936.0}, {710.0, 640.0, 660.0}}};
constexpr Grid kBlendTable = {{0.0, 0.05, 0.07}, {0.011667, 0.011, 0.011}, {0.17, 0.17, 0.05}};

constexpr double kRatioConstant[5] = {300.0, 580.0, 1400.0, 2500.0, 5000.0};
constexpr double kRatioTrimDb[5] = {0.0, 1.0, 3.0, 5.0, -2.0};

// The level by which "M only" and "S only" drive the other channel (-16 dB).
constexpr double kQuietChannelGain = 0.158489;
// A detector threshold no signal reaches: that channel never charges.
constexpr double kNeverChargeThreshold = 100000.0;

// 48 * p - 24 dB, taken as (max - min) * p + min.
double decibelsOf(float p)
{
    return mapLinearRange(kDecibelRange, p);
}

int detectionMode(const ParameterValues& values)
{
    return choiceIndex(values.normalized[kParamSideChainDetectionMode]);
}

bool isMidSideMode(int mode)
{
    return mode == kModeMidOnly || mode == kModeSideOnly;
}

// Position of a control on the 3 x 3 ballistics grid: a cell index and the fraction into it.
struct GridPosition
{
    int index;
    double fraction;
};

GridPosition gridPosition(float v)
{
    if (!(v > 0.0f))
        return {0, 0.0};
    if (v >= 1.0f)
        return {1, 1.0};
    const double twice = 2.0 * static_cast<double>(v);
    const int index = static_cast<int>(twice);
    return {index, twice - index};
}

double grid(const Grid& table, GridPosition attack, GridPosition release)
{
    const int ai = attack.index;
    const double af = attack.fraction;
    const int ri = release.index;
    const double rf = release.fraction;
    const double row0 = (1.0 - af) * table[ri][ai] + af * table[ri][ai + 1];
    const double row1 = (1.0 - af) * table[ri + 1][ai] + af * table[ri + 1][ai + 1];
    return (1.0 - rf) * row0 + rf * row1;
}

GainMatrix matrix(double c0, double c1, double c2, double c3, double mono)
{
    return {c0, c1, c2, c3, mono, kGainMatrixSmoothing};
}

} // namespace

void updateEnableSwitch(const ParameterValues& values, ParameterSnapshot& snapshot)
{
    const bool enabled = values.normalized[kParamEnableEffect] > 0.5f;
    snapshot.effectEnabled = enabled ? 1 : 0;
    snapshot.enableFadeTarget = enabled ? 1.0 : 0.0;
}

void updateSideChainMatrices(const ParameterValues& values, ParameterSnapshot& snapshot)
{
    const double g = dbToGain(-2.0);
    const double e = dbToGain(decibelsOf(values.normalized[kParamExternalSideChainGain])) * g;
    if (isMidSideMode(detectionMode(values)))
    {
        snapshot.inputMatrix = matrix(0.5 * g, 0.5 * g, 0.5 * g, -0.5 * g, g);
        snapshot.sideChainMatrix = matrix(0.5 * e, 0.5 * e, 0.5 * e, -0.5 * e, e);
        snapshot.outputMatrix = matrix(1.0 / g, 1.0 / g, 1.0 / g, -1.0 / g, 1.0);
    }
    else
    {
        snapshot.inputMatrix = matrix(g, 0.0, 0.0, g, g);
        snapshot.sideChainMatrix = matrix(e, 0.0, 0.0, e, e);
        snapshot.outputMatrix = matrix(1.0 / g, 0.0, 0.0, 1.0 / g, 1.0 / g);
    }
}

void updateLevelsAndRouting(const ParameterValues& values, ParameterSnapshot& snapshot)
{
    const auto& p = values.normalized;
    const double fs = values.sampleRate;
    const int mode = detectionMode(values);
    const bool midOnly = mode == kModeMidOnly;
    const bool sideOnly = mode == kModeSideOnly;

    const double gi = dbToGain(decibelsOf(p[kParamInputGain]));
    snapshot.inputGainTargets[0] = gi;
    snapshot.inputGainTargets[1] = sideOnly ? kQuietChannelGain : gi;
    snapshot.inputGainTargets[2] = midOnly ? kQuietChannelGain : gi;

    const double go = dbToGain(decibelsOf(p[kParamOutputGain]));
    snapshot.outputGainTargets[0] = go;
    snapshot.outputGainTargets[1] = sideOnly ? 1.0 / kQuietChannelGain : go;
    snapshot.outputGainTargets[2] = midOnly ? 1.0 / kQuietChannelGain : go;

    snapshot.dryWetMix = static_cast<double>(p[kParamDryWet]);

    const double warpMs = lookup(kTimeWarpTable, p[kParamSideChainTimeWarp]);
    const auto warpSamples = static_cast<std::int32_t>(warpMs * 0.001 * fs);
    snapshot.latencySamples = static_cast<std::uint32_t>(fs * 0.005);
    snapshot.sideChainDelaySamples = snapshot.latencySamples + static_cast<std::uint32_t>(warpSamples);
    snapshot.warpLeadSamples = std::max(-warpSamples, 1);

    snapshot.externalSideChain = isSwitchOn(p[kParamExternalSideChain]) ? 1 : 0;
    snapshot.listenMix = isSwitchOn(p[kParamSideChainListen]) ? 1.0 : 0.0;

    snapshot.sideChainSwap = mode == kModeReversed ? 1 : 0;
    snapshot.detectionLinked = mode == kModeLinked ? 1 : 0;

    const double h = 1.0 / dbToGain(-2.0);
    if (midOnly)
        snapshot.listenMatrix = matrix(h, h, 0.0, 0.0, h);
    else if (sideOnly)
        snapshot.listenMatrix = matrix(0.0, 0.0, h, h, h);
    else
        snapshot.listenMatrix = matrix(h, 0.0, 0.0, h, h);

    snapshot.gainFloor = dbToGain(lookup(kGrRangeTable, p[kParamGainReductionRange]));
}

void updateBallistics(const ParameterValues& values, ParameterSnapshot& snapshot)
{
    const auto& p = values.normalized;
    const double fs = values.sampleRate;
    const int mode = detectionMode(values);
    const GridPosition attack = gridPosition(p[kParamAttackTime]);
    const GridPosition release = gridPosition(p[kParamReleaseTime]);
    const int q = choiceIndex(p[kParamRatio]);

    snapshot.ratioFactor = grid(kRatioScaleTable, attack, release) * kRatioConstant[q] - 1.0;
    for (int k = 0; k < 4; ++k)
        snapshot.ballisticsCoefficients[k] = 1.0 - dsp::math::exp(-1000.0 / (grid(kTimeTables[k], attack, release) * fs));

    const double d = dbToGain(grid(kLevelTable, attack, release)) * snapshot.ratioFactor * dbToGain(kRatioTrimDb[q]);
    snapshot.detectorGains[0] = d;
    snapshot.detectorGains[1] = mode == kModeSideOnly ? kNeverChargeThreshold : d;
    snapshot.detectorGains[2] = mode == kModeMidOnly ? kNeverChargeThreshold : d;

    snapshot.ratioAllOffset = q == kRatioAll ? -5.0 : 0.0;
    snapshot.ballisticsBlend = grid(kBlendTable, attack, release);
    snapshot.ratioAllGain = q == kRatioAll ? dbToGain(3.0) : dbToGain(-96.0);
    snapshot.kernelOffset = -1.0;
}

void runParameterUpdates(std::int32_t parameterId, const ParameterValues& values, ParameterSnapshot& snapshot)
{
    switch (parameterId)
    {
    case kParamEnableEffect:
        updateEnableSwitch(values, snapshot);
        break;
    case kParamInputGain:
    case kParamOutputGain:
    case kParamDryWet:
    case kParamSideChainTimeWarp:
    case kParamGainReductionRange:
    case kParamExternalSideChain:
    case kParamSideChainListen:
        updateLevelsAndRouting(values, snapshot);
        break;
    case kParamAttackTime:
    case kParamReleaseTime:
    case kParamRatio:
        updateBallistics(values, snapshot);
        break;
    case kParamSideChainDetectionMode:
        updateSideChainMatrices(values, snapshot);
        updateLevelsAndRouting(values, snapshot);
        updateBallistics(values, snapshot);
        break;
    case kParamSideChainEqOn:
    case kParamSideChainEqHighPassOn:
    case kParamSideChainEqLowPassOn:
    case kParamSideChainEqHighPassFreq:
    case kParamSideChainEqBellFreq:
    case kParamSideChainEqBellGain:
    case kParamSideChainEqLowPassFreq:
        updateSideChainEqualiser(values, snapshot);
        break;
    case kParamExternalSideChainGain:
        updateSideChainMatrices(values, snapshot);
        break;
    default:
        break;
    }
}

void rebuildSnapshot(const ParameterValues& values, ParameterSnapshot& snapshot)
{
    updateEnableSwitch(values, snapshot);
    updateSideChainMatrices(values, snapshot);
    updateSideChainEqualiser(values, snapshot);
    updateBallistics(values, snapshot);
    updateLevelsAndRouting(values, snapshot);
    snapshot.outputStage = computeOutputStageConstants(values.sampleRate);
}

} // namespace corvex
