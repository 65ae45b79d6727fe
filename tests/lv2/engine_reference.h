#pragma once

#include "corvex_engine.h"
#include "libraries/host/parameter_description.h"
#include "tests/lv2/audio.h"
#include "tests/lv2/lilv_host.h"

#include <array>
#include <memory>
#include <vector>

namespace corvex::testing
{

// The engine driven directly as the plug-in is specified to drive it: a control
// port value goes to the engine, through the shared port conversion, when it
// differs from the last one (all of them before the first block, in identifier
// order), and every host block is split into process calls of at most
// kCorvexMaxBufferSize frames.
class EngineReference
{
public:
    EngineReference(int numChannels, int sampleRate, const std::array<float, kNumParameters>& portValues);

    // Same contract as HostedPlugin::process.
    Audio process(const Audio& input, const Audio* sideChain, std::size_t blockSize,
                  const std::vector<ControlChange>& changes = {});

    // Meters of the last host block, as the plug-in shows them (dB).
    float gainReductionDb(int channel) const { return gainReductionDb_[channel]; }
    float inputPeakDb(int channel) const { return inputPeakDb_[channel]; }
    float outputPeakDb(int channel) const { return outputPeakDb_[channel]; }
    int latencySamples() const { return engine_->getLatencySamples(); }

private:
    void applyPortValues(bool all);

    const int numChannels_;
    const std::unique_ptr<CorvexEngine> engine_;
    const std::vector<host::ParameterDescription> descriptions_;
    std::array<float, kNumParameters> portValues_;
    std::array<float, kNumParameters> appliedPortValues_{};
    std::array<float, kCorvexMaxNumChannels> gainReductionDb_{};
    std::array<float, kCorvexMaxNumChannels> inputPeakDb_{};
    std::array<float, kCorvexMaxNumChannels> outputPeakDb_{};
};

} // namespace corvex::testing
