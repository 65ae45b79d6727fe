#include "model/parameter_table.h"

#include "libraries/dsp/math/exp.h"
#include "model/value_lookup.h"

#include <cmath>

namespace corvex
{

bool isValidParameterId(std::int32_t id)
{
    return static_cast<std::uint32_t>(id) < static_cast<std::uint32_t>(kParameterCount);
}

bool isSwitchParameter(std::int32_t id)
{
    switch (id)
    {
    case kParamEnableEffect:
    case kParamSideChainEqOn:
    case kParamSideChainEqHighPassOn:
    case kParamSideChainEqLowPassOn:
    case kParamExternalSideChain:
    case kParamSideChainListen:
        return true;
    default:
        return false;
    }
}

// Truncation of out-of-range, negative or NaN products would be undefined;
// such values take the nearest end of the list instead.
int choiceIndex(float v)
{
    const float product = v * 5.0f;
    if (!(product >= 1.0f))
        return 0;
    if (product >= 4.0f)
        return 4;
    return static_cast<int>(product);
}

int switchIndex(float v)
{
    const float sum = v + v;
    return sum >= 1.0f ? 1 : 0;
}

const char* valueText(std::int32_t id, float v)
{
    if (isSwitchParameter(id))
        return kSwitchTexts[static_cast<std::size_t>(switchIndex(v))];
    if (id == kParamRatio)
        return kRatioTexts[static_cast<std::size_t>(choiceIndex(v))];
    if (id == kParamSideChainDetectionMode)
        return kDetectionModeTexts[static_cast<std::size_t>(choiceIndex(v))];
    return "";
}

double mapLogRange(const LogRange& range, double v)
{
    return dsp::math::exp((range.lnMax - range.lnMin) * v + range.lnMin);
}

double mapLinearRange(const LinearRange& range, double v)
{
    return (range.max - range.min) * v + range.min;
}

float displayValue(std::int32_t id, float v)
{
    const double wide = v;
    switch (id)
    {
    case kParamInputGain:
    case kParamOutputGain:
        return v * 48.0f - 48.0f;
    case kParamAttackTime:
    case kParamReleaseTime:
        return v * 6.0f + 1.0f;
    case kParamDryWet:
        return v * 100.0f;
    case kParamSideChainTimeWarp:
        return static_cast<float>(lookup(kTimeWarpTable, wide));
    case kParamSideChainEqHighPassFreq:
        return static_cast<float>(mapLogRange(kHighPassRange, wide));
    case kParamSideChainEqBellFreq:
        return static_cast<float>(mapLogRange(kBellRange, wide));
    case kParamSideChainEqLowPassFreq:
        return static_cast<float>(mapLogRange(kLowPassRange, wide));
    case kParamSideChainEqBellGain:
        return static_cast<float>(mapLinearRange(kBellGainRange, wide));
    case kParamExternalSideChainGain:
        return static_cast<float>(mapLinearRange(kDecibelRange, wide));
    case kParamGainReductionRange:
        return -static_cast<float>(lookup(kGrRangeTable, wide));
    default:
        return 0.0f;
    }
}

} // namespace corvex
