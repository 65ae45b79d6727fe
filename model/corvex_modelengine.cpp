#include "model/corvex_modelengine.h"

#include "libraries/dsp/vector/vector_primitives.h"
#include "model/aligned_record.h"
#include "model/argument_checks.h"
#include "model/audio_block.h"
#include "model/bypass_crossfade.h"
#include "model/derived_values.h"
#include "model/host_samples.h"
#include "model/model_state.h"
#include "model/parameter_table.h"
#include "model/sample_rate_setup.h"
#include "model/settled_bypass.h"

#include <cstring>

namespace corvex
{

namespace
{

const char* const kVersion = "1.0.11";

// strncpy with a signed count: a count of zero or less writes nothing, and so
// does a null buffer.
void copyText(const char* text, char* outText, std::int32_t maxLength)
{
    if (outText == nullptr || maxLength <= 0)
        return;
    std::strncpy(outText, text, static_cast<std::size_t>(maxLength));
}

// The six meters in identifier order: gain reduction, input, output; channel 0 then 1.
double readMeter(const ModelState& state, std::int32_t meterId)
{
    const std::int32_t channel = meterId % 2;
    switch (meterId / 2)
    {
    case 0:
        return state.gainReductionMeter[channel].load(std::memory_order_relaxed);
    case 1:
        return state.inputMeter[channel].load(std::memory_order_relaxed);
    default:
        return state.outputMeter[channel].load(std::memory_order_relaxed);
    }
}

} // namespace

CorvexPrivateEngine::CorvexPrivateEngine() : modelState(allocateRecord<ModelState>())
{
    sampleRate.store(0.0f, std::memory_order_relaxed);
    vec::prepareVectorUnit();
    for (int id = 0; id < kParameterCount; ++id)
        normalizedValues[id].store(kDefaultNormalizedValues[static_cast<std::size_t>(id)], std::memory_order_relaxed);
}

CorvexPrivateEngine::~CorvexPrivateEngine()
{
    releaseRecord(modelState);
}

const char* CorvexPrivateEngine::getVersion()
{
    return kVersion;
}

void CorvexPrivateEngine::resetParameters()
{
    for (int id = 0; id < kParameterCount; ++id)
        normalizedValues[id].store(kDefaultNormalizedValues[static_cast<std::size_t>(id)], std::memory_order_relaxed);
}

int CorvexPrivateEngine::getLatencySamples()
{
    return static_cast<int>(static_cast<double>(sampleRate.load(std::memory_order_relaxed)) * 0.005);
}

ParameterValues CorvexPrivateEngine::currentValues() const
{
    ParameterValues values{};
    for (int id = 0; id < kParameterCount; ++id)
        values.normalized[static_cast<std::size_t>(id)] = normalizedValues[id].load(std::memory_order_relaxed);
    values.sampleRate = sampleRate.load(std::memory_order_relaxed);
    return values;
}

void CorvexPrivateEngine::copyPublishedSnapshot(ParameterSnapshot& destination)
{
    snapshots.copyPublished(destination);
}

bool CorvexPrivateEngine::snapshotBuffersAgree()
{
    return snapshots.buffersAgree();
}

void CorvexPrivateEngine::setSampleRate(int inSampleRate)
{
    // A rejected rate changes nothing: the previous rate, state and snapshot stay.
    if (!checkSampleRate(inSampleRate))
        return;

    sampleRate.store(static_cast<float>(inSampleRate), std::memory_order_relaxed);
    resetModelState(*modelState);
    prepareFixedFilters(*modelState, static_cast<double>(inSampleRate));
    snapshots.publish([&](ParameterSnapshot& edit) { rebuildSnapshot(currentValues(), edit); });
}

void CorvexPrivateEngine::setNormalizedValue(int inParameterId, float inNormalizedValue)
{
    const bool validId = checkParameterId(inParameterId, check::kSetValueId);
    checkNormalizedValue(inNormalizedValue, check::kSetValueValue);

    float value = inNormalizedValue;
    if (value > 1.0f)
        value = 1.0f;
    else if (!(value >= 0.0f))
        value = 0.0f;

    if (validId)
        normalizedValues[inParameterId].store(value, std::memory_order_relaxed);

    snapshots.publish([&](ParameterSnapshot& edit) { runParameterUpdates(inParameterId, currentValues(), edit); });
}

float CorvexPrivateEngine::getNormalizedValue(int inParameterId)
{
    if (!checkParameterId(inParameterId, check::kGetValueId))
        return 0.0f;
    return normalizedValues[inParameterId].load(std::memory_order_relaxed);
}

float CorvexPrivateEngine::getDisplayValue(int inParameterId, float inNormalizedValue)
{
    checkParameterId(inParameterId, check::kDisplayId);
    checkNormalizedValue(inNormalizedValue, check::kDisplayValue);
    return displayValue(inParameterId, inNormalizedValue);
}

float CorvexPrivateEngine::getCurrentDisplayValue(int inParameterId)
{
    if (!checkParameterId(inParameterId, check::kCurrentDisplayId))
        return 0.0f;
    return getDisplayValue(inParameterId, normalizedValues[inParameterId].load(std::memory_order_relaxed));
}

void CorvexPrivateEngine::getParameterName(int inParameterId, char* outText, int inMaxLength)
{
    const bool validId = checkParameterId(inParameterId, check::kNameId);
    copyText(validId ? kParameterNames[static_cast<std::size_t>(inParameterId)] : "", outText, inMaxLength);
}

void CorvexPrivateEngine::getParameterUnit(int inParameterId, char* outText, int inMaxLength)
{
    const bool validId = checkParameterId(inParameterId, check::kUnitId);
    copyText(validId ? kParameterUnits[static_cast<std::size_t>(inParameterId)] : "", outText, inMaxLength);
}

void CorvexPrivateEngine::getValueText(int inParameterId, float inNormalizedValue, char* outText, int inMaxLength)
{
    checkParameterId(inParameterId, check::kValueTextId);
    checkNormalizedValue(inNormalizedValue, check::kValueTextValue);
    copyText(valueText(inParameterId, inNormalizedValue), outText, inMaxLength);
}

void CorvexPrivateEngine::getCurrentValueText(int inParameterId, char* outText, int inMaxLength)
{
    if (!checkParameterId(inParameterId, check::kCurrentTextId))
    {
        copyText("", outText, inMaxLength);
        return;
    }
    getValueText(inParameterId, normalizedValues[inParameterId].load(std::memory_order_relaxed), outText,
                 inMaxLength);
}

float CorvexPrivateEngine::getMeterValue(int inMeterId)
{
    if (!checkMeterId(inMeterId))
        return 0.0f;
    // The meters keep doubles, which can exceed the float range (a mid channel
    // of two full-scale samples, say); like the output, they are read clamped
    // to the largest float instead of overflowing to infinity.
    return toHost(readMeter(*modelState, inMeterId));
}

void CorvexPrivateEngine::process(const float* const* inBuffer, float* const* outBuffer,
                                  const float* const* sideChainBuffer, int inNumChannels, int inNumSamples)
{
    const ProcessArguments a = checkProcessArguments(inBuffer, outBuffer, inNumChannels, inNumSamples);
    const bool ready = sampleRate.load(std::memory_order_relaxed) > 0.0f;
    if (!(a.samplesValid && a.channelPointersValid && ready))
    {
        // Silence wherever the passed checks prove the output reachable; nothing else is touched.
        if (a.samplesValid && a.channelsValid && a.arraysValid)
            for (int c = 0; c < inNumChannels; ++c)
                if (outBuffer[c] != nullptr)
                    std::memset(outBuffer[c], 0, sizeof(float) * static_cast<std::size_t>(inNumSamples));
        return;
    }

    vec::prepareVectorUnit();
    const ParameterSnapshot& snapshot = snapshots.refreshWorking();

    // Effect off and faded out: no double blocks needed.
    if (bypassSettled(snapshot, *modelState))
    {
        runSettledBypass(inBuffer, outBuffer, inNumSamples, inNumChannels, snapshot, *modelState);
        return;
    }

    AudioBlock input(inNumChannels, inNumSamples);
    AudioBlock sideChain(inNumChannels, inNumSamples);
    AudioBlock output(inNumChannels, inNumSamples);
    for (int c = 0; c < inNumChannels; ++c)
    {
        fromHost(inBuffer[c], input.channels[c], inNumSamples);
        const float* sideChainChannel = sideChainBuffer != nullptr ? sideChainBuffer[c] : nullptr;
        if (sideChainChannel != nullptr)
            fromHost(sideChainChannel, sideChain.channels[c], inNumSamples);
        else
            vec::zeroDoubles(sideChain.channels[c], inNumSamples);
    }

    runBypassCrossfade(input.read(), sideChain.read(), output.data(), inNumSamples, inNumChannels, snapshot,
                       *modelState);

    for (int c = 0; c < inNumChannels; ++c)
        toHost(output.channels[c], outBuffer[c], inNumSamples);
}

} // namespace corvex
