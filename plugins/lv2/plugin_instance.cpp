#include "plugins/lv2/plugin_instance.h"

#include "plugins/lv2/meter_level.h"
#include "plugins/lv2/port_values.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace corvex::lv2
{

namespace
{

// The engine's meters over one host block that may span several engine calls:
// the deepest gain reduction and the highest peaks of all of them.
struct HostBlockMeters
{
    std::array<float, kCorvexMaxNumChannels> gainReduction{1.0f, 1.0f};
    std::array<float, kCorvexMaxNumChannels> inputPeak{};
    std::array<float, kCorvexMaxNumChannels> outputPeak{};

    void addEngineCall(CorvexEngine& engine, int numChannels)
    {
        for (int channel = 0; channel < numChannels; ++channel)
        {
            gainReduction[channel] = std::min(gainReduction[channel], engine.getMeterValue(kMeterGainReduction0 + channel));
            inputPeak[channel] = std::max(inputPeak[channel], engine.getMeterValue(kMeterInput0 + channel));
            outputPeak[channel] = std::max(outputPeak[channel], engine.getMeterValue(kMeterOutput0 + channel));
        }
    }
};

} // namespace

std::unique_ptr<PluginInstance> PluginInstance::create(int numChannels, double sampleRate)
{
    if (!(sampleRate >= 1.0 && sampleRate <= kCorvexMaxSampleRate))
        return nullptr;
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    return std::unique_ptr<PluginInstance>(
        new PluginInstance(numChannels, static_cast<int>(std::lround(sampleRate)), std::move(engine)));
}

PluginInstance::PluginInstance(int numChannels, int sampleRate, std::unique_ptr<CorvexEngine> engine)
    : layout_{numChannels},
      sampleRate_(sampleRate),
      engine_(std::move(engine)),
      descriptions_(host::describeParameters(*engine_))
{
    engine_->setSampleRate(sampleRate_);
}

void PluginInstance::connectPort(std::uint32_t port, void* data)
{
    if (port < layout_.numPorts())
        ports_[port] = static_cast<float*>(data);
}

void PluginInstance::activate()
{
    engine_->setSampleRate(sampleRate_);
}

void PluginInstance::applyControlChanges()
{
    for (int parameterId = 0; parameterId < kNumParameters; ++parameterId)
    {
        const float* const port = ports_[PortLayout::control(parameterId)];
        if (port == nullptr)
            continue;
        // Compared as bits, so that a port holding a NaN counts as unchanged.
        const float value = *port;
        if (controlsApplied_[parameterId] &&
            std::bit_cast<std::uint32_t>(value) == std::bit_cast<std::uint32_t>(lastControlValues_[parameterId]))
            continue;
        lastControlValues_[parameterId] = value;
        controlsApplied_[parameterId] = true;
        if (const auto normalized = normalizedFromPortValue(*engine_, descriptions_[parameterId], value))
            engine_->setNormalizedValue(parameterId, *normalized);
    }
}

bool PluginInstance::audioConnected() const
{
    for (int channel = 0; channel < layout_.numChannels; ++channel)
    {
        if (ports_[layout_.audioInput(channel)] == nullptr || ports_[layout_.audioOutput(channel)] == nullptr)
            return false;
    }
    return true;
}

void PluginInstance::run(std::uint32_t numFrames)
{
    applyControlChanges();
    if (float* const latency = ports_[PortLayout::latency()])
        *latency = static_cast<float>(engine_->getLatencySamples());
    // A host that left a required audio port unconnected gets nothing processed
    // rather than an engine report on its audio thread.
    if (numFrames == 0 || !audioConnected())
        return;

    HostBlockMeters meters;
    for (std::uint32_t offset = 0; offset < numFrames; offset += kCorvexMaxBufferSize)
    {
        const int numSamples = static_cast<int>(std::min<std::uint32_t>(kCorvexMaxBufferSize, numFrames - offset));
        std::array<const float*, kCorvexMaxNumChannels> inputs{};
        std::array<float*, kCorvexMaxNumChannels> outputs{};
        std::array<const float*, kCorvexMaxNumChannels> sideChains{};
        for (int channel = 0; channel < layout_.numChannels; ++channel)
        {
            inputs[channel] = ports_[layout_.audioInput(channel)] + offset;
            outputs[channel] = ports_[layout_.audioOutput(channel)] + offset;
            const float* const sideChain = ports_[layout_.sideChainInput(channel)];
            sideChains[channel] = sideChain != nullptr ? sideChain + offset : nullptr;
        }
        engine_->process(inputs.data(), outputs.data(), sideChains.data(), layout_.numChannels, numSamples);
        meters.addEngineCall(*engine_, layout_.numChannels);
    }

    for (int channel = 0; channel < layout_.numChannels; ++channel)
    {
        writeMeter(layout_.gainReductionMeter(channel), meters.gainReduction[channel]);
        writeMeter(layout_.inputMeter(channel), meters.inputPeak[channel]);
        writeMeter(layout_.outputMeter(channel), meters.outputPeak[channel]);
    }
}

void PluginInstance::writeMeter(std::uint32_t port, float linear) const
{
    if (float* const meter = ports_[port])
        *meter = meterLevelDb(linear);
}

} // namespace corvex::lv2
