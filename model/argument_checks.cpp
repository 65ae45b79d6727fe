#include "model/argument_checks.h"

#include "core/report_assertion.h"

#include <cstdio>
#include <string>

namespace corvex
{

namespace
{

// The file that reports name, the same since the first release.
const char* const kSourceFile = "model/corvex_modelengine";

void reportArgument(const char* expression, std::uint32_t checkId, const std::string& message)
{
    core::reportAssertion(core::kLevelArgument, expression, kSourceFile, checkId, message);
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

} // namespace

bool reportParameterId(std::int32_t id, std::uint32_t checkId)
{
    reportArgument("inParameterId >= 0 && inParameterId < CorvexParameterIds::kNumParameters", checkId,
                   withInteger("Invalid parameter ID: ", id));
    return false;
}

bool reportNormalizedValue(float value, std::uint32_t checkId)
{
    reportArgument("inNormalizedValue >= 0 && inNormalizedValue <= 1", checkId,
                   withValue("Invalid normalized value: ", value));
    return false;
}

bool checkSampleRate(std::int32_t sampleRate)
{
    bool valid = true;
    if (sampleRate < 1)
    {
        reportArgument("inSampleRate > 0", check::kSampleRateLow, withInteger("Invalid sample rate: ", sampleRate));
        valid = false;
    }
    if (sampleRate > kCorvexMaxSampleRate)
    {
        reportArgument("inSampleRate <= kCorvexMaxSampleRate", check::kSampleRateHigh,
                       withInteger("Sample rate not supported: ", sampleRate));
        valid = false;
    }
    return valid;
}

bool reportMeterId(std::int32_t meterId)
{
    reportArgument("inMeterId >= 0 && inMeterId < CorvexMeterIds::kNumMeters", check::kMeterId,
                   withInteger("Invalid meter ID: ", meterId));
    return false;
}

ProcessArguments reportProcessArguments(const float* const* inBuffer, float* const* outBuffer,
                                        std::int32_t numChannels, std::int32_t numSamples)
{
    ProcessArguments a{};
    a.samplesValid = numSamples > 0 && numSamples <= kCorvexMaxBufferSize;
    if (!a.samplesValid)
        reportArgument("inNumSamples > 0 && inNumSamples <= kCorvexMaxBufferSize", check::kProcessSamples,
                       withInteger("Number of samples is too large: ", numSamples));
    a.channelsValid = numChannels > 0 && numChannels <= kCorvexMaxNumChannels;
    if (!a.channelsValid)
        reportArgument("inNumChannels > 0 && inNumChannels <= kCorvexMaxNumChannels", check::kProcessChannels,
                       withInteger("Invalid number of channels: ", numChannels));
    a.arraysValid = inBuffer != nullptr && outBuffer != nullptr;
    if (!a.arraysValid)
        reportArgument("inBuffer != nullptr && outBuffer != nullptr", check::kProcessBuffers, "Invalid I/O buffers");

    a.channelPointersValid = a.channelsValid && a.arraysValid;
    if (a.channelsValid && a.arraysValid)
    {
        for (std::int32_t c = 0; c < numChannels; ++c)
        {
            if (inBuffer[c] == nullptr || outBuffer[c] == nullptr)
            {
                reportArgument("inBuffer[c] != nullptr && outBuffer[c] != nullptr", check::kProcessChannelPointers,
                               "Invalid I/O channels");
                a.channelPointersValid = false;
            }
        }
    }
    return a;
}

} // namespace corvex
