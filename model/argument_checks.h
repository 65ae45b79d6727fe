#pragma once

#include "corvex_engine.h"

#include <cstdint>

namespace corvex
{

// Identifiers of the argument checks, reported with each failed check as its
// "line". They are fixed identifiers, not line numbers: each names the same
// check in every report, on every build, wherever the check's code moves, and
// the values must not change.
namespace check
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
} // namespace check

// Each check reports a failure through the report hook (core/report_assertion)
// at the argument level, with the failed condition, the check's identifier and
// a message naming the value; it returns whether the argument is valid. The
// tests of valid arguments are inline (process() and the meters run them on
// the audio thread every block); the reports are not.
bool reportParameterId(std::int32_t id, std::uint32_t checkId);
bool reportNormalizedValue(float value, std::uint32_t checkId);
bool reportMeterId(std::int32_t meterId);
bool checkSampleRate(std::int32_t sampleRate);

inline bool checkParameterId(std::int32_t id, std::uint32_t checkId)
{
    return (id >= 0 && id < kNumParameters) || reportParameterId(id, checkId);
}

inline bool checkNormalizedValue(float value, std::uint32_t checkId)
{
    return (value >= 0.0f && value <= 1.0f) || reportNormalizedValue(value, checkId);
}

inline bool checkMeterId(std::int32_t meterId)
{
    return static_cast<std::uint32_t>(meterId) < static_cast<std::uint32_t>(kNumMeters) || reportMeterId(meterId);
}

// The arguments of process(), each check reported on its own. The channel
// pointers are inspected only when the count and the arrays are known good.
struct ProcessArguments
{
    bool samplesValid;
    bool channelsValid;
    bool arraysValid;
    bool channelPointersValid;
};

ProcessArguments reportProcessArguments(const float* const* inBuffer, float* const* outBuffer,
                                        std::int32_t numChannels, std::int32_t numSamples);

inline ProcessArguments checkProcessArguments(const float* const* inBuffer, float* const* outBuffer,
                                              std::int32_t numChannels, std::int32_t numSamples)
{
    bool valid = numSamples > 0 && numSamples <= kCorvexMaxBufferSize && numChannels > 0 &&
                 numChannels <= kCorvexMaxNumChannels && inBuffer != nullptr && outBuffer != nullptr;
    for (std::int32_t c = 0; valid && c < numChannels; ++c)
        valid = inBuffer[c] != nullptr && outBuffer[c] != nullptr;
    return valid ? ProcessArguments{true, true, true, true}
                 : reportProcessArguments(inBuffer, outBuffer, numChannels, numSamples);
}

} // namespace corvex
