#include "tests/lv2/engine_reference.h"

#include "plugins/lv2/meter_level.h"
#include "plugins/lv2/port_values.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace corvex::testing
{

EngineReference::EngineReference(int numChannels, int sampleRate,
                                 const std::array<float, kNumParameters>& portValues)
    : numChannels_(numChannels),
      engine_(createCorvexEngine()),
      descriptions_(host::describeParameters(*engine_)),
      portValues_(portValues)
{
    engine_->setSampleRate(sampleRate);
}

void EngineReference::applyPortValues(bool all)
{
    for (int id = 0; id < kNumParameters; ++id)
    {
        if (!all && std::bit_cast<std::uint32_t>(portValues_[id]) == std::bit_cast<std::uint32_t>(appliedPortValues_[id]))
            continue;
        appliedPortValues_[id] = portValues_[id];
        if (const auto normalized = lv2::normalizedFromPortValue(*engine_, descriptions_[id], portValues_[id]))
            engine_->setNormalizedValue(id, *normalized);
    }
}

Audio EngineReference::process(const Audio& input, const Audio* sideChain, std::size_t blockSize,
                               const std::vector<ControlChange>& changes)
{
    const std::size_t numFrames = input.front().size();
    Audio output(static_cast<std::size_t>(numChannels_), std::vector<float>(numFrames));
    for (std::size_t start = 0, block = 0; start < numFrames; start += blockSize, ++block)
    {
        for (const ControlChange& change : changes)
        {
            if (change.block == block)
                portValues_[change.parameterId] = change.portValue;
        }
        applyPortValues(block == 0);

        std::array<float, kCorvexMaxNumChannels> gainReduction{1.0f, 1.0f};
        std::array<float, kCorvexMaxNumChannels> inputPeak{};
        std::array<float, kCorvexMaxNumChannels> outputPeak{};
        const std::size_t end = std::min(start + blockSize, numFrames);
        for (std::size_t call = start; call < end; call += kCorvexMaxBufferSize)
        {
            const int count = static_cast<int>(std::min<std::size_t>(kCorvexMaxBufferSize, end - call));
            const float* inputs[kCorvexMaxNumChannels] = {};
            const float* sideChains[kCorvexMaxNumChannels] = {};
            float* outputs[kCorvexMaxNumChannels] = {};
            for (int channel = 0; channel < numChannels_; ++channel)
            {
                inputs[channel] = input[channel].data() + call;
                outputs[channel] = output[channel].data() + call;
                if (sideChain != nullptr)
                    sideChains[channel] = (*sideChain)[channel].data() + call;
            }
            engine_->process(inputs, outputs, sideChain != nullptr ? sideChains : nullptr, numChannels_, count);
            for (int channel = 0; channel < numChannels_; ++channel)
            {
                gainReduction[channel] = std::min(gainReduction[channel], engine_->getMeterValue(kMeterGainReduction0 + channel));
                inputPeak[channel] = std::max(inputPeak[channel], engine_->getMeterValue(kMeterInput0 + channel));
                outputPeak[channel] = std::max(outputPeak[channel], engine_->getMeterValue(kMeterOutput0 + channel));
            }
        }
        for (int channel = 0; channel < numChannels_; ++channel)
        {
            gainReductionDb_[channel] = lv2::meterLevelDb(gainReduction[channel]);
            inputPeakDb_[channel] = lv2::meterLevelDb(inputPeak[channel]);
            outputPeakDb_[channel] = lv2::meterLevelDb(outputPeak[channel]);
        }
    }
    return output;
}

} // namespace corvex::testing
