#pragma once

#include "corvex_engine.h"

#include <cstdint>

namespace corvex::plugin
{

// Parameter indexes of a plug-in with numChannels channels: one control per
// engine parameter at the index of its identifier, then the meters as output
// parameters (gain reduction, input peak, output peak, each per channel). Hosts
// store the controls by index, so the order never changes.
struct ParameterLayout
{
    int numChannels;

    static constexpr std::uint32_t control(int parameterId) { return static_cast<std::uint32_t>(parameterId); }
    constexpr std::uint32_t gainReductionMeter(int channel) const { return meter(0, channel); }
    constexpr std::uint32_t inputMeter(int channel) const { return meter(1, channel); }
    constexpr std::uint32_t outputMeter(int channel) const { return meter(2, channel); }
    constexpr std::uint32_t count() const { return meter(3, 0); }
    constexpr bool isControl(std::uint32_t index) const { return index < kNumParameters; }

private:
    constexpr std::uint32_t meter(int kind, int channel) const
    {
        return static_cast<std::uint32_t>(kNumParameters + kind * numChannels + channel);
    }
};

} // namespace corvex::plugin
