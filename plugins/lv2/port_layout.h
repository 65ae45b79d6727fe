#pragma once

#include "corvex_engine.h"

#include <cstdint>

namespace corvex::lv2
{

// Port indexes of a plug-in with numChannels channels. The control inputs come
// first, one per engine parameter at the index of its identifier, then the
// latency output, the meter outputs (gain reduction, input peak, output peak,
// each per channel), and the audio: main inputs, main outputs, side-chain inputs.
struct PortLayout
{
    int numChannels;

    static constexpr std::uint32_t control(int parameterId) { return static_cast<std::uint32_t>(parameterId); }
    static constexpr std::uint32_t latency() { return kNumParameters; }
    constexpr std::uint32_t gainReductionMeter(int channel) const { return latency() + 1 + offset(0, channel); }
    constexpr std::uint32_t inputMeter(int channel) const { return latency() + 1 + offset(1, channel); }
    constexpr std::uint32_t outputMeter(int channel) const { return latency() + 1 + offset(2, channel); }
    constexpr std::uint32_t audioInput(int channel) const { return latency() + 1 + offset(3, channel); }
    constexpr std::uint32_t audioOutput(int channel) const { return latency() + 1 + offset(4, channel); }
    constexpr std::uint32_t sideChainInput(int channel) const { return latency() + 1 + offset(5, channel); }
    constexpr std::uint32_t numPorts() const { return latency() + 1 + offset(6, 0); }

private:
    constexpr std::uint32_t offset(int group, int channel) const
    {
        return static_cast<std::uint32_t>(group * numChannels + channel);
    }
};

} // namespace corvex::lv2
