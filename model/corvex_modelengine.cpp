#include "model/corvex_modelengine.h"

#include "core/report_assertion.h"
#include "libraries/dsp/vector/vector_primitives.h"
#include "model/audio_block.h"
#include "model/bypass_crossfade.h"
#include "model/derived_values.h"
#include "model/host_samples.h"
#include "model/model_state.h"
#include "model/parameter_table.h"
#include "model/sample_rate_setup.h"
#include "model/settled_bypass.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
#  include <immintrin.h>
#endif

namespace corvex
{

namespace
{

const char* const kSourceFile = "model/corvex_modelengine";
const char* const kVersion = "1.0.11";

// Source lines reported with each argument check, so that a report names the
// same check on every build.
namespace line
{
constexpr std::uint32_t kSampleRateLow = 100;
constexpr std::uint32_t kSampleRateHigh = 101;
constexpr std::uint32_t kSetValueId = 116;
constexpr std::uint32_t kSetValueValue = 118;
constexpr std::uint32_t kGetValueId = 172;
constexpr std::uint32_t kUnitId = 179;
constexpr std::uint32_t kCurrentDisplayId = 214;
constexpr std::uint32_t kDisplayId = 221;
constexpr std::uint32_t kDisplayValue = 223;
constexpr std::uint32_t kCurrentTextId = 286;
constexpr std::uint32_t kValueTextId = 294;
constexpr std::uint32_t kValueTextValue = 296;
constexpr std::uint32_t kNameId = 332;
constexpr std::uint32_t kProcessSamples = 372;
constexpr std::uint32_t kProcessChannels = 374;
constexpr std::uint32_t kProcessBuffers = 376;
constexpr std::uint32_t kProcessChannelPointers = 378;
constexpr std::uint32_t kMeterId = 404;
} // namespace line

void reportArgument(const char* expression, std::uint32_t sourceLine, const std::string& message)
{
    core::reportAssertion(core::kLevelArgument, expression, kSourceFile, sourceLine, message);
}

std::string withInteger(const char* text, std::int32_t value)
{
    char number[16];
    std::snprintf(number, sizeof number, "%d", value);
    return std::string(text) + number;
}

std::string withValue(const char* text, float value)
{
    char number[32];
    std::snprintf(number, sizeof number, "%g", static_cast<double>(value));
    return std::string(text) + number;
}

bool checkParameterId(std::int32_t id, std::uint32_t sourceLine)
{
    if (isValidParameterId(id))
        return true;
    reportArgument("inParameterId >= 0 && inParameterId < CorvexParameterIds::kNumParameters", sourceLine,
                   withInteger("Invalid parameter ID: ", id));
    return false;
}

bool checkNormalizedValue(float value, std::uint32_t sourceLine)
{
    if (value >= 0.0f && value <= 1.0f)
        return true;
    reportArgument("inNormalizedValue >= 0 && inNormalizedValue <= 1", sourceLine,
                   withValue("Invalid normalized value: ", value));
    return false;
}

// strncpy with a signed count: a count of zero or less writes nothing, and so
// does a null buffer.
void copyText(const char* text, char* outText, std::int32_t maxLength)
{
    if (outText == nullptr || maxLength <= 0)
        return;
    std::strncpy(outText, text, static_cast<std::size_t>(maxLength));
}

// Raw, zero-filled, 16-byte aligned storage for one record; throws std::bad_alloc.
// Attempts of the audio side to take the lock without blocking. The control
// side holds it only while it recomputes a few derived values (microseconds),
// so a short spin nearly always wins it without a trip into the kernel.
constexpr int kAudioLockSpins = 4096;

void pauseProcessor()
{
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
    _mm_pause();
#endif
}

template <typename Record>
Record* allocateRecord()
{
    static_assert(alignof(Record) <= 16);
    void* memory = ::operator new(sizeof(Record), std::align_val_t{16});
    std::memset(memory, 0, sizeof(Record));
    return ::new (memory) Record;
}

template <typename Record>
void releaseRecord(Record* record)
{
    if (record == nullptr)
        return;
    record->~Record();
    ::operator delete(record, std::align_val_t{16});
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

CorvexPrivateEngine::CorvexPrivateEngine()
    : modelState(nullptr), firstSnapshot(nullptr), secondSnapshot(nullptr), workingSnapshot(nullptr),
      publishCount(1), workingSnapshotCount(0)
{
    try
    {
        modelState = allocateRecord<ModelState>();
        firstSnapshot = allocateRecord<ParameterSnapshot>();
        secondSnapshot = allocateRecord<ParameterSnapshot>();
        workingSnapshot = allocateRecord<ParameterSnapshot>();
    }
    catch (...)
    {
        releaseRecord(workingSnapshot);
        releaseRecord(secondSnapshot);
        releaseRecord(firstSnapshot);
        releaseRecord(modelState);
        throw;
    }
    publishedSnapshot = firstSnapshot;
    editSnapshot = secondSnapshot;
    sampleRate.store(0.0f, std::memory_order_relaxed);
    vec::prepareVectorUnit();
    for (int id = 0; id < kParameterCount; ++id)
        normalizedValues[id].store(kDefaultNormalizedValues[static_cast<std::size_t>(id)], std::memory_order_relaxed);
}

CorvexPrivateEngine::~CorvexPrivateEngine()
{
    std::lock_guard lock(engineMutex);
    releaseRecord(modelState);
    releaseRecord(firstSnapshot);
    releaseRecord(secondSnapshot);
    releaseRecord(workingSnapshot);
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

// Exchanges the buffers and copies the new state back into the edit buffer,
// so both hold it again. Runs with engineMutex held.
void CorvexPrivateEngine::publishSnapshot()
{
    std::swap(publishedSnapshot, editSnapshot);
    std::memcpy(static_cast<void*>(editSnapshot), publishedSnapshot, sizeof(ParameterSnapshot));
    ++publishCount;
}

// Takes engineMutex for the audio side: spinning briefly before it blocks.
void CorvexPrivateEngine::lockForAudio()
{
    bool locked = false;
    for (int attempt = 0; attempt < kAudioLockSpins && !locked; ++attempt)
    {
        locked = engineMutex.try_lock();
        if (!locked)
            pauseProcessor();
    }
    if (!locked)
        engineMutex.lock();
}

void CorvexPrivateEngine::copyPublishedSnapshot(ParameterSnapshot& destination)
{
    lockForAudio();
    std::memcpy(static_cast<void*>(&destination), publishedSnapshot, sizeof(ParameterSnapshot));
    engineMutex.unlock();
}

// The once-per-block lock of the audio side. Only the audio side writes the
// working copy, so it still holds the published bytes when nothing was
// published since its last copy.
void CorvexPrivateEngine::refreshWorkingSnapshot()
{
    lockForAudio();
    if (workingSnapshotCount != publishCount)
    {
        std::memcpy(static_cast<void*>(workingSnapshot), publishedSnapshot, sizeof(ParameterSnapshot));
        workingSnapshotCount = publishCount;
    }
    engineMutex.unlock();
}

bool CorvexPrivateEngine::snapshotBuffersAgree()
{
    std::lock_guard lock(engineMutex);
    return std::memcmp(publishedSnapshot, editSnapshot, sizeof(ParameterSnapshot)) == 0;
}

void CorvexPrivateEngine::setSampleRate(int inSampleRate)
{
    bool valid = true;
    if (inSampleRate < 1)
    {
        reportArgument("inSampleRate > 0", line::kSampleRateLow, withInteger("Invalid sample rate: ", inSampleRate));
        valid = false;
    }
    if (inSampleRate > kCorvexMaxSampleRate)
    {
        reportArgument("inSampleRate <= kCorvexMaxSampleRate", line::kSampleRateHigh,
                       withInteger("Sample rate not supported: ", inSampleRate));
        valid = false;
    }
    // A rejected rate changes nothing: the previous rate, state and snapshot stay.
    if (!valid)
        return;

    sampleRate.store(static_cast<float>(inSampleRate), std::memory_order_relaxed);
    resetModelState(*modelState);
    prepareFixedFilters(*modelState, static_cast<double>(inSampleRate));

    std::lock_guard lock(engineMutex);
    rebuildSnapshot(currentValues(), *editSnapshot);
    publishSnapshot();
}

void CorvexPrivateEngine::setNormalizedValue(int inParameterId, float inNormalizedValue)
{
    const bool validId = checkParameterId(inParameterId, line::kSetValueId);
    checkNormalizedValue(inNormalizedValue, line::kSetValueValue);

    float value = inNormalizedValue;
    if (value > 1.0f)
        value = 1.0f;
    else if (!(value >= 0.0f))
        value = 0.0f;

    if (validId)
        normalizedValues[inParameterId].store(value, std::memory_order_relaxed);

    std::lock_guard lock(engineMutex);
    runParameterUpdates(inParameterId, currentValues(), *editSnapshot);
    publishSnapshot();
}

float CorvexPrivateEngine::getNormalizedValue(int inParameterId)
{
    if (!checkParameterId(inParameterId, line::kGetValueId))
        return 0.0f;
    return normalizedValues[inParameterId].load(std::memory_order_relaxed);
}

float CorvexPrivateEngine::getDisplayValue(int inParameterId, float inNormalizedValue)
{
    checkParameterId(inParameterId, line::kDisplayId);
    checkNormalizedValue(inNormalizedValue, line::kDisplayValue);
    return displayValue(inParameterId, inNormalizedValue);
}

float CorvexPrivateEngine::getCurrentDisplayValue(int inParameterId)
{
    if (!checkParameterId(inParameterId, line::kCurrentDisplayId))
        return 0.0f;
    return getDisplayValue(inParameterId, normalizedValues[inParameterId].load(std::memory_order_relaxed));
}

void CorvexPrivateEngine::getParameterName(int inParameterId, char* outText, int inMaxLength)
{
    const bool validId = checkParameterId(inParameterId, line::kNameId);
    copyText(validId ? kParameterNames[static_cast<std::size_t>(inParameterId)] : "", outText, inMaxLength);
}

void CorvexPrivateEngine::getParameterUnit(int inParameterId, char* outText, int inMaxLength)
{
    const bool validId = checkParameterId(inParameterId, line::kUnitId);
    copyText(validId ? kParameterUnits[static_cast<std::size_t>(inParameterId)] : "", outText, inMaxLength);
}

void CorvexPrivateEngine::getValueText(int inParameterId, float inNormalizedValue, char* outText, int inMaxLength)
{
    checkParameterId(inParameterId, line::kValueTextId);
    checkNormalizedValue(inNormalizedValue, line::kValueTextValue);
    copyText(valueText(inParameterId, inNormalizedValue), outText, inMaxLength);
}

void CorvexPrivateEngine::getCurrentValueText(int inParameterId, char* outText, int inMaxLength)
{
    if (!checkParameterId(inParameterId, line::kCurrentTextId))
    {
        copyText("", outText, inMaxLength);
        return;
    }
    getValueText(inParameterId, normalizedValues[inParameterId].load(std::memory_order_relaxed), outText,
                 inMaxLength);
}

float CorvexPrivateEngine::getMeterValue(int inMeterId)
{
    if (static_cast<std::uint32_t>(inMeterId) >= static_cast<std::uint32_t>(kNumMeters))
    {
        reportArgument("inMeterId >= 0 && inMeterId < CorvexMeterIds::kNumMeters", line::kMeterId,
                       withInteger("Invalid meter ID: ", inMeterId));
        return 0.0f;
    }
    // The meters keep doubles, which can exceed the float range (a mid channel
    // of two full-scale samples, say); like the output, they are read clamped
    // to the largest float instead of overflowing to infinity.
    const double value = readMeter(*modelState, inMeterId);
    return toHost(value);
}

void CorvexPrivateEngine::process(const float* const* inBuffer, float* const* outBuffer,
                                  const float* const* sideChainBuffer, int inNumChannels, int inNumSamples)
{
    const bool samplesValid = inNumSamples > 0 && inNumSamples <= kCorvexMaxBufferSize;
    if (!samplesValid)
        reportArgument("inNumSamples > 0 && inNumSamples <= kCorvexMaxBufferSize", line::kProcessSamples,
                       withInteger("Number of samples is too large: ", inNumSamples));
    const bool channelsValid = inNumChannels > 0 && inNumChannels <= kCorvexMaxNumChannels;
    if (!channelsValid)
        reportArgument("inNumChannels > 0 && inNumChannels <= kCorvexMaxNumChannels", line::kProcessChannels,
                       withInteger("Invalid number of channels: ", inNumChannels));
    const bool arraysValid = inBuffer != nullptr && outBuffer != nullptr;
    if (!arraysValid)
        reportArgument("inBuffer != nullptr && outBuffer != nullptr", line::kProcessBuffers, "Invalid I/O buffers");

    // The channel pointers can only be inspected once the count and the arrays are known good.
    bool channelPointersValid = channelsValid && arraysValid;
    if (channelsValid && arraysValid)
    {
        for (int c = 0; c < inNumChannels; ++c)
        {
            if (inBuffer[c] == nullptr || outBuffer[c] == nullptr)
            {
                reportArgument("inBuffer[c] != nullptr && outBuffer[c] != nullptr", line::kProcessChannelPointers,
                               "Invalid I/O channels");
                channelPointersValid = false;
            }
        }
    }

    const bool ready = sampleRate.load(std::memory_order_relaxed) > 0.0f;
    if (!(samplesValid && channelPointersValid && ready))
    {
        // Silence wherever the passed checks prove the output reachable; nothing else is touched.
        if (samplesValid && channelsValid && arraysValid)
            for (int c = 0; c < inNumChannels; ++c)
                if (outBuffer[c] != nullptr)
                    std::memset(outBuffer[c], 0, sizeof(float) * static_cast<std::size_t>(inNumSamples));
        return;
    }

    vec::prepareVectorUnit();
    refreshWorkingSnapshot();

    // Effect off and faded out: no double blocks needed.
    if (bypassSettled(*workingSnapshot, *modelState))
    {
        runSettledBypass(inBuffer, outBuffer, inNumSamples, inNumChannels, *workingSnapshot, *modelState);
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

    runBypassCrossfade(input.read(), sideChain.read(), output.data(), inNumSamples, inNumChannels, *workingSnapshot,
                       *modelState);

    for (int c = 0; c < inNumChannels; ++c)
        toHost(output.channels[c], outBuffer[c], inNumSamples);
}

} // namespace corvex

CorvexEngine* createCorvexEngine()
{
    return new corvex::CorvexPrivateEngine();
}
