#pragma once

#include "corvex_engine.h"

#include <algorithm>
#include <array>

namespace corvex::plugin
{

// The engine's meters over one host block that may span several engine calls:
// the deepest gain reduction and the highest peaks of all of them (linear).
struct HostBlockMeters
{
    std::array<float, kCorvexMaxNumChannels> gainReduction{1.0f, 1.0f};
    std::array<float, kCorvexMaxNumChannels> inputPeak{};
    std::array<float, kCorvexMaxNumChannels> outputPeak{};

    void addEngineCall(CorvexEngine& engine, int numChannels)
    {
        for (int channel = 0; channel < numChannels; ++channel)
        {
            gainReduction[channel] =
                std::min(gainReduction[channel], engine.getMeterValue(kMeterGainReduction0 + channel));
            inputPeak[channel] = std::max(inputPeak[channel], engine.getMeterValue(kMeterInput0 + channel));
            outputPeak[channel] = std::max(outputPeak[channel], engine.getMeterValue(kMeterOutput0 + channel));
        }
    }
};

} // namespace corvex::plugin
