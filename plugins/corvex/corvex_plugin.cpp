#include "plugins/corvex/corvex_plugin.h"

#include "plugins/corvex/factory_programs.h"
#include "plugins/corvex/host_block_meters.h"
#include "plugins/corvex/meter_level.h"
#include "plugins/corvex/parameter_symbol.h"
#include "plugins/corvex/parameter_values.h"

#include "libraries/host/host_floating_point_mode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

START_NAMESPACE_DISTRHO

namespace
{

using corvex::host::ParameterKind;
namespace host = corvex::host;
namespace plugin = corvex::plugin;

constexpr int kNumChannels = CORVEX_PLUGIN_NUM_CHANNELS;

// The side-chain inputs form a group of their own, apart from the main inputs.
constexpr uint32_t kSideChainPortGroup = 0;

// The engine's version text "major.minor.micro" as the framework's number.
uint32_t versionNumber(const char* text)
{
    uint32_t parts[3] = {};
    int part = 0;
    for (const char* character = text; *character != '\0' && part < 3; ++character)
    {
        if (*character == '.')
            ++part;
        else if (*character >= '0' && *character <= '9')
            parts[part] = parts[part] * 10 + static_cast<uint32_t>(*character - '0');
    }
    return d_version(parts[0], parts[1], parts[2]);
}

const char* channelSuffix(int channel)
{
    if (kNumChannels == 1)
        return "";
    return channel == 0 ? " L" : " R";
}

} // namespace

CorvexPlugin::CorvexPlugin()
    : Plugin(plugin::ParameterLayout{kNumChannels}.count(), static_cast<uint32_t>(plugin::factoryPrograms().size()), 0),
      layout_{kNumChannels},
      engine_(host::createEngineOnHostThread()),
      descriptions_(host::describeParameters(*engine_))
{
    for (const auto& description : descriptions_)
    {
        controlValues_[static_cast<std::size_t>(description.id)].store(
            plugin::plainValueFromNormalized(*engine_, description, description.defaultNormalizedValue),
            std::memory_order_relaxed);
    }
    meterValuesDb_.fill(plugin::meterLevelDb(0.0f));
    for (int channel = 0; channel < kNumChannels; ++channel)
        meterValuesDb_[layout_.gainReductionMeter(channel) - kNumParameters] = 0.0f;
    applySampleRate(getSampleRate());
}

const char* CorvexPlugin::getLabel() const
{
    return CORVEX_PLUGIN_LABEL;
}

const char* CorvexPlugin::getDescription() const
{
    return "Feedback compressor and limiter with side-chain equaliser, look-ahead and mid/side detection.";
}

const char* CorvexPlugin::getMaker() const
{
    return "Corvex";
}

const char* CorvexPlugin::getLicense() const
{
    return "Proprietary";
}

uint32_t CorvexPlugin::getVersion() const
{
    return versionNumber(engine_->getVersion());
}

int64_t CorvexPlugin::getUniqueId() const
{
    return d_cconst('C', 'v', 'x', kNumChannels == 2 ? 'S' : 'M');
}

void CorvexPlugin::initAudioPort(const bool input, const uint32_t index, AudioPort& port)
{
    const int channel = static_cast<int>(index) % kNumChannels;
    if (input && index >= static_cast<uint32_t>(kNumChannels))
    {
        port.hints = kAudioPortIsSidechain;
        port.groupId = kSideChainPortGroup;
        port.name = String("Side Chain") + channelSuffix(channel);
        port.symbol = String("side_chain") + (kNumChannels == 2 ? (channel == 0 ? "_l" : "_r") : "");
        return;
    }
    Plugin::initAudioPort(input, index, port);
    port.groupId = kNumChannels == 2 ? kPortGroupStereo : kPortGroupMono;
}

void CorvexPlugin::initPortGroup(const uint32_t groupId, PortGroup& portGroup)
{
    if (groupId != kSideChainPortGroup)
        return Plugin::initPortGroup(groupId, portGroup);
    portGroup.name = "Side Chain";
    portGroup.symbol = "side_chain";
}

void CorvexPlugin::initParameter(const uint32_t index, Parameter& parameter)
{
    if (!layout_.isControl(index))
    {
        initMeter(index, parameter);
        return;
    }
    const auto& description = descriptions_[index];
    const plugin::PlainRange range = plugin::plainRange(description);
    parameter.hints = kParameterIsAutomatable;
    parameter.name = description.name.c_str();
    parameter.symbol = plugin::symbolFromName(description.name).c_str();
    parameter.unit = description.unit.c_str();
    parameter.ranges.min = range.minimum;
    parameter.ranges.max = range.maximum;
    parameter.ranges.def = controlValues_[index].load(std::memory_order_relaxed);
    // The host's bypass button works this switch, which keeps the engine's
    // latency-aligned crossfade (CLAP and VST3 hosts see it turned over).
    if (description.id == kParamEnableEffect)
        parameter.designation = kParameterDesignationEnabled;
    switch (description.kind)
    {
    case ParameterKind::Continuous:
        if (plugin::isLogarithmic(*engine_, description))
            parameter.hints |= kParameterIsLogarithmic;
        return;
    case ParameterKind::Switch:
        parameter.hints |= kParameterIsBoolean | kParameterIsInteger;
        break;
    case ParameterKind::Choice:
        parameter.hints |= kParameterIsInteger;
        break;
    }
    const auto count = static_cast<uint32_t>(description.choices.size());
    auto* const values = new ParameterEnumerationValue[count];
    for (uint32_t choice = 0; choice < count; ++choice)
    {
        values[choice].value = static_cast<float>(choice);
        values[choice].label = description.choices[choice].text.c_str();
    }
    parameter.enumValues.count = static_cast<uint8_t>(count);
    parameter.enumValues.restrictedMode = true;
    parameter.enumValues.values = values;
}

void CorvexPlugin::initMeter(const uint32_t index, Parameter& parameter) const
{
    struct MeterKind
    {
        const char* name;
        const char* symbol;
        float maximumDb;
    };
    static constexpr MeterKind kinds[] = {
        {"Gain Reduction", "gain_reduction", 0.0f},
        {"Input Peak", "input_peak", plugin::kMeterCeilingDb},
        {"Output Peak", "output_peak", plugin::kMeterCeilingDb},
    };
    const uint32_t meter = index - kNumParameters;
    const int channel = static_cast<int>(meter) % kNumChannels;
    const MeterKind& kind = kinds[meter / kNumChannels];
    // Hosts that show a plug-in's gain reduction in their own meters read the deepest of the first kind.
    parameter.hints = kParameterIsOutput | (meter < static_cast<uint32_t>(kNumChannels) ? kParameterIsGainReduction : 0);
    parameter.name = String(kind.name) + channelSuffix(channel);
    parameter.symbol = String(kind.symbol) + (kNumChannels == 2 ? (channel == 0 ? "_l" : "_r") : "");
    parameter.unit = "dB";
    parameter.ranges.min = plugin::kMeterFloorDb;
    parameter.ranges.max = kind.maximumDb;
    parameter.ranges.def = meterValuesDb_[meter];
}

void CorvexPlugin::initProgramName(const uint32_t index, String& programName)
{
    const auto programs = plugin::factoryPrograms();
    if (index < programs.size())
        programName = programs[index].name;
}

float CorvexPlugin::getParameterValue(const uint32_t index) const
{
    if (layout_.isControl(index))
        return controlValues_[index].load(std::memory_order_relaxed);
    if (index < layout_.count())
        return meterValuesDb_[index - kNumParameters];
    return 0.0f;
}

void CorvexPlugin::setParameterValue(const uint32_t index, const float value)
{
    if (!layout_.isControl(index))
        return;
    const auto& description = descriptions_[index];
    const auto normalized = plugin::normalizedFromPlainValue(*engine_, description, value);
    if (!normalized)
        return;
    engine_->setNormalizedValue(description.id, *normalized);
    controlValues_[index].store(plugin::plainValueFromNormalized(*engine_, description, *normalized),
                                std::memory_order_relaxed);
}

bool CorvexPlugin::getParameterValueText(const uint32_t index, const float value, char* const text,
                                         const uint32_t size) const
{
    if (index >= layout_.count())
        return false;
    const std::string shown = layout_.isControl(index) ? plugin::plainValueText(*engine_, descriptions_[index], value)
                                                       : plugin::meterText(value);
    std::snprintf(text, size, "%s", shown.c_str());
    return true;
}

bool CorvexPlugin::getParameterValueFromText(const uint32_t index, const char* const text, float& value) const
{
    if (!layout_.isControl(index))
        return false;
    const std::optional<float> plain = plugin::plainValueFromText(descriptions_[index], text);
    if (plain)
        value = *plain;
    return plain.has_value();
}

void CorvexPlugin::loadProgram(const uint32_t index)
{
    const auto programs = plugin::factoryPrograms();
    if (index >= programs.size())
        return;
    for (const auto& description : descriptions_)
    {
        setParameterValue(static_cast<uint32_t>(description.id),
                          plugin::plainValueFromNormalized(*engine_, description, description.defaultNormalizedValue));
    }
    for (const plugin::ProgramSetting& setting : programs[index].settings)
        setParameterValue(static_cast<uint32_t>(setting.parameterId), setting.plainValue);
}

void CorvexPlugin::activate()
{
    applySampleRate(getSampleRate());
}

void CorvexPlugin::sampleRateChanged(const double newSampleRate)
{
    applySampleRate(newSampleRate);
}

void CorvexPlugin::applySampleRate(const double sampleRate)
{
    // Checked here, so that a rate the engine refuses never reaches it: such a
    // host hears the input unprocessed instead of an error on its audio thread.
    sampleRateUsable_ = sampleRate >= 1.0 && sampleRate <= kCorvexMaxSampleRate;
    positionSamples_ = 0;
    if (!sampleRateUsable_)
        return;
    engine_->setSampleRate(static_cast<int>(std::lround(sampleRate)));
    setLatency(static_cast<uint32_t>(engine_->getLatencySamples()));
    display_.setSampleRate(sampleRate);
}

void CorvexPlugin::passThrough(const float** inputs, float** outputs, const uint32_t frames) const
{
    for (int channel = 0; channel < kNumChannels; ++channel)
    {
        if (outputs[channel] != inputs[channel])
            std::memmove(outputs[channel], inputs[channel], frames * sizeof(float));
    }
}

void CorvexPlugin::run(const float** inputs, float** outputs, const uint32_t frames)
{
    const host::ScopedHostFloatingPointMode hostMode;
    if (!sampleRateUsable_)
    {
        passThrough(inputs, outputs, frames);
        return;
    }
    plugin::HostBlockMeters meters;
    for (uint32_t offset = 0, numSamples = 0; offset < frames; offset += numSamples)
    {
        // Engine calls end on multiples of 32 of the running position, whatever
        // the host's block size, so that after a parameter change the engine's
        // glides step alike in every host (the framework cuts run() itself at
        // each change, at its sample).
        const auto toGrid = static_cast<uint32_t>(kCorvexMaxBufferSize - positionSamples_ % kCorvexMaxBufferSize);
        numSamples = std::min(toGrid, frames - offset);
        positionSamples_ += numSamples;
        const float* mainInputs[kNumChannels];
        float* mainOutputs[kNumChannels];
        const float* sideChains[kNumChannels];
        for (int channel = 0; channel < kNumChannels; ++channel)
        {
            mainInputs[channel] = inputs[channel] + offset;
            mainOutputs[channel] = outputs[channel] + offset;
            // A host may leave the side chain unconnected; the engine takes none then.
            const float* const sideChain = inputs[kNumChannels + channel];
            sideChains[channel] = sideChain != nullptr ? sideChain + offset : nullptr;
        }
        engine_->process(mainInputs, mainOutputs, sideChains, kNumChannels, static_cast<int>(numSamples));
        meters.addEngineCall(*engine_, kNumChannels);
    }
    if (frames == 0)
        return;
    display_.addBlock(plugin::meterLevelDb(*std::min_element(meters.gainReduction.begin(),
                                                             meters.gainReduction.begin() + kNumChannels)),
                      frames);
    for (int channel = 0; channel < kNumChannels; ++channel)
    {
        meterValuesDb_[layout_.gainReductionMeter(channel) - kNumParameters] =
            plugin::meterLevelDb(meters.gainReduction[channel]);
        meterValuesDb_[layout_.inputMeter(channel) - kNumParameters] = plugin::meterLevelDb(meters.inputPeak[channel]);
        meterValuesDb_[layout_.outputMeter(channel) - kNumParameters] =
            plugin::meterLevelDb(meters.outputPeak[channel]);
    }
}

const InlineDisplayImage* CorvexPlugin::renderInlineDisplay(const uint32_t width, const uint32_t maxHeight)
{
    const plugin::GainReductionDisplay::Picture picture = display_.render(width, maxHeight);
    displayImage_ = {reinterpret_cast<unsigned char*>(picture.pixels), picture.width, picture.height,
                     picture.width * 4};
    return &displayImage_;
}

bool CorvexPlugin::isInlineDisplayOutdated() const
{
    return display_.takeOutdated();
}

Plugin* createPlugin()
{
    return new CorvexPlugin();
}

END_NAMESPACE_DISTRHO
