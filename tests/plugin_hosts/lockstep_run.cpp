#include "tests/plugin_hosts/lockstep_run.h"

#include "libraries/host/display_value_inversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace corvex::plugin_hosts
{

float engineNormalizedValue(CorvexEngine& engine, const host::ParameterDescription& description, float plainValue)
{
    switch (description.kind)
    {
    case host::ParameterKind::Continuous:
        return host::normalizedFromDisplayValue(engine, description.id, plainValue).value_or(-1.0f);
    case host::ParameterKind::Switch:
        return description.choices[plainValue > 0.0f ? 1 : 0].normalizedValue;
    case host::ParameterKind::Choice:
        break;
    }
    return description.choices.at(static_cast<std::size_t>(std::lround(plainValue))).normalizedValue;
}

float meterDb(float linear)
{
    return 20.0f * std::log10(std::max(1.0e-6f, linear));
}

LockstepRun::LockstepRun(HostedPlugin& plugin, int numChannels)
    : plugin_(plugin),
      numChannels_(numChannels),
      reference_(createCorvexEngine()),
      descriptions_(host::describeParameters(*reference_)),
      input_(numChannels),
      sideChain_(numChannels),
      output_(numChannels)
{
    reference_->setSampleRate(kSampleRate);
}

void LockstepRun::setControl(int parameterId, double plainValue)
{
    setReferenceControl(parameterId, plugin_.queueParameterChange(parameterId, plainValue));
}

void LockstepRun::setReferenceControl(int parameterId, float plainValue)
{
    const float normalized = engineNormalizedValue(*reference_, descriptions_[parameterId], plainValue);
    reference_->setNormalizedValue(parameterId, normalized);
}

void LockstepRun::processBlock(int frames)
{
    const std::size_t start = input_[0].size();
    std::vector<float*> in, side, out;
    std::vector<std::vector<float>> expected(numChannels_, std::vector<float>(frames));
    for (int c = 0; c < numChannels_; ++c)
    {
        for (std::size_t i = start; i < start + frames; ++i)
        {
            const double phase = 2 * std::numbers::pi * static_cast<double>(i) / kSampleRate;
            input_[c].push_back(static_cast<float>(0.5011872336272722 * std::sin(997 * phase + c)));
            sideChain_[c].push_back(static_cast<float>(0.8912509381337456 * std::sin(150 * phase + 2 * c)));
        }
        output_[c].resize(start + frames);
        in.push_back(input_[c].data() + start);
        side.push_back(sideChain_[c].data() + start);
        out.push_back(output_[c].data() + start);
    }
    failedBlocks_ += plugin_.process(in, side, out, frames) ? 0 : 1;

    std::array<std::array<float, kCorvexMaxNumChannels>, 3> meters{{{1.0f, 1.0f}, {}, {}}};
    for (int call = 0; call < frames; call += kCorvexMaxBufferSize)
    {
        std::array<const float*, kCorvexMaxNumChannels> callIn{}, callSide{};
        std::array<float*, kCorvexMaxNumChannels> callOut{};
        for (int c = 0; c < numChannels_; ++c)
        {
            callIn[c] = in[c] + call;
            callSide[c] = side[c] + call;
            callOut[c] = expected[c].data() + call;
        }
        reference_->process(callIn.data(), callOut.data(), callSide.data(), numChannels_,
                            std::min(kCorvexMaxBufferSize, frames - call));
        for (int c = 0; c < numChannels_; ++c)
        {
            meters[0][c] = std::min(meters[0][c], reference_->getMeterValue(kMeterGainReduction0 + c));
            meters[1][c] = std::max(meters[1][c], reference_->getMeterValue(kMeterInput0 + c));
            meters[2][c] = std::max(meters[2][c], reference_->getMeterValue(kMeterOutput0 + c));
        }
    }
    for (int c = 0; c < numChannels_; ++c)
    {
        for (int i = 0; i < frames; ++i)
            differingSamples_ += std::memcmp(&expected[c][i], out[c] + i, sizeof(float)) != 0;
        for (const MeterKind kind : {MeterKind::GainReduction, MeterKind::InputPeak, MeterKind::OutputPeak})
            differingMeters_ += pluginMeterDb(kind, c) != meterDb(meters[static_cast<int>(kind)][c]);
    }
}

void LockstepRun::processFrames(int totalFrames, int blockFrames)
{
    for (int done = 0; done < totalFrames; done += blockFrames)
        processBlock(std::min(blockFrames, totalFrames - done));
}

float LockstepRun::pluginMeterDb(MeterKind kind, int channel) const
{
    return static_cast<float>(plugin_.outputValue(kNumParameters + static_cast<int>(kind) * numChannels_ + channel));
}

} // namespace corvex::plugin_hosts
