#pragma once

#include "DistrhoPlugin.hpp"
#include "corvex_engine.h"
#include "libraries/host/parameter_description.h"
#include "plugins/corvex/gain_reduction_display.h"
#include "plugins/corvex/parameter_layout.h"

#include <array>
#include <atomic>
#include <memory>
#include <vector>

START_NAMESPACE_DISTRHO

// The plug-in around one engine, for every format the framework builds. The
// controls hold plain values (display scale, or the index of a switch's or
// choice's text) and reach the engine as the normalized values they select;
// the meters are output parameters in dB. run() cuts the host block into
// engine calls that end on multiples of kCorvexMaxBufferSize counted from
// activation, allocates nothing and gives the host back its floating-point mode.
class CorvexPlugin : public Plugin
{
public:
    CorvexPlugin();

protected:
    const char* getLabel() const override;
    const char* getDescription() const override;
    const char* getMaker() const override;
    const char* getLicense() const override;
    uint32_t getVersion() const override;
    int64_t getUniqueId() const override;

    void initAudioPort(bool input, uint32_t index, AudioPort& port) override;
    void initPortGroup(uint32_t groupId, PortGroup& portGroup) override;
    void initParameter(uint32_t index, Parameter& parameter) override;
    void initProgramName(uint32_t index, String& programName) override;

    float getParameterValue(uint32_t index) const override;
    void setParameterValue(uint32_t index, float value) override;
    // The engine's own texts and units for hosts' generic views ("Linked", "-12.0 dB", "693 Hz").
    bool getParameterValueText(uint32_t index, float value, char* text, uint32_t size) const override;
    bool getParameterValueFromText(uint32_t index, const char* text, float& value) const override;
    void loadProgram(uint32_t index) override;

    // The gain reduction in LV2 hosts' mixer strips.
    const InlineDisplayImage* renderInlineDisplay(uint32_t width, uint32_t maxHeight) override;
    bool isInlineDisplayOutdated() const override;

    void activate() override;
    void sampleRateChanged(double newSampleRate) override;
    void run(const float** inputs, float** outputs, uint32_t frames) override;

private:
    void initMeter(uint32_t index, Parameter& parameter) const;
    // Hands the engine the host's rate; an unusable rate stops processing.
    void applySampleRate(double sampleRate);
    // Copies the main inputs to the outputs: what plays while the engine cannot run.
    void passThrough(const float** inputs, float** outputs, uint32_t frames) const;

    const corvex::plugin::ParameterLayout layout_;
    const std::unique_ptr<CorvexEngine> engine_;
    const std::vector<corvex::host::ParameterDescription> descriptions_;
    // Written by whichever thread the format sets parameters on, read by the
    // host's and the interface's threads.
    std::array<std::atomic<float>, kNumParameters> controlValues_{};
    std::array<float, kNumMeters> meterValuesDb_{};
    bool sampleRateUsable_ = false;
    // Frames processed since activation: where the 32-frame grid of engine calls lies.
    uint64_t positionSamples_ = 0;
    mutable corvex::plugin::GainReductionDisplay display_;
    InlineDisplayImage displayImage_{};

    DISTRHO_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(CorvexPlugin)
};

END_NAMESPACE_DISTRHO
