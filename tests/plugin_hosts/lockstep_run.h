#pragma once

#include "corvex_engine.h"
#include "libraries/host/parameter_description.h"
#include "plugins/corvex/parameter_values.h"
#include "tests/plugin_hosts/hosted_plugin.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace corvex::plugin_hosts
{

inline constexpr int kSampleRate = 48000;

// Meter kinds in the order of the plug-in's output parameters, each one per channel.
enum class MeterKind { GainReduction, InputPeak, OutputPeak };

// A hosted plug-in and a reference engine from the shared library, fed the same
// signal side by side: a 997 Hz sine at -6 dBFS on the main input and a 150 Hz
// sine at -1 dBFS on the side chain (each channel with its own phase). The
// engine runs as the plug-in must run it: the normalized values its plain
// values select (by the plug-in's own conversion, tested on its own in
// tests/tools/plugin_presets_test.cpp), calls that end on multiples of 32
// frames counted from the first block, at the host's block ends and at each
// change within a block, which applies from its frame on; the meters held from
// the block's last change to its end.
// Every block's output and meters are compared, bit for bit.
class LockstepRun
{
public:
    LockstepRun(HostedPlugin& plugin, int numChannels)
        : plugin_(plugin), numChannels_(numChannels), input_(numChannels), sideChain_(numChannels),
          output_(numChannels)
    {
        reference_->setSampleRate(kSampleRate);
    }

    // A control change through the host at a frame of the next block, applied
    // to the engine as the plug-in applies it (changes in the order of their frames).
    void setControl(int parameterId, double plainValue, int frameOffset = 0)
    {
        const float received = plugin_.queueParameterChange(parameterId, plainValue, frameOffset);
        if (frameOffset == 0)
            setReferenceControl(parameterId, received);
        else
            pendingChanges_.push_back({frameOffset, parameterId, received});
    }

    // A plain value the plug-in received, applied to the engine through the plug-in's own conversion.
    void setReferenceControl(int parameterId, float plainValue)
    {
        const host::ParameterDescription& description = descriptions_[parameterId];
        if (const auto normalized = plugin::normalizedFromPlainValue(*reference_, description, plainValue))
            reference_->setNormalizedValue(parameterId, *normalized);
    }

    // An unconnected side chain reaches the engine as none.
    void connectSideChain(bool connected) { sideChainConnected_ = connected; }

    void processBlock(int frames)
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
            side.push_back(sideChainConnected_ ? sideChain_[c].data() + start : nullptr);
            out.push_back(output_[c].data() + start);
        }
        const std::span<float*> connectedSide = sideChainConnected_ ? std::span(side) : std::span<float*>();
        failedBlocks_ += plugin_.process(in, connectedSide, out, frames) ? 0 : 1;

        std::array<std::array<float, kCorvexMaxNumChannels>, 3> meters{};
        std::size_t nextChange = 0;
        for (int call = 0, callFrames = 0; call < frames; call += callFrames)
        {
            // The plug-in's run() starts with the block and again at each change.
            if (call == 0 || (nextChange < pendingChanges_.size() && pendingChanges_[nextChange].frameOffset <= call))
                meters = {{{1.0f, 1.0f}, {}, {}}};
            for (; nextChange < pendingChanges_.size() && pendingChanges_[nextChange].frameOffset <= call; ++nextChange)
                setReferenceControl(pendingChanges_[nextChange].parameterId, pendingChanges_[nextChange].plainValue);
            const auto position = static_cast<int>((start + call) % kCorvexMaxBufferSize);
            callFrames = std::min(kCorvexMaxBufferSize - position, frames - call);
            if (nextChange < pendingChanges_.size())
                callFrames = std::min(callFrames, pendingChanges_[nextChange].frameOffset - call);
            std::array<const float*, kCorvexMaxNumChannels> callIn{}, callSide{};
            std::array<float*, kCorvexMaxNumChannels> callOut{};
            for (int c = 0; c < numChannels_; ++c)
            {
                callIn[c] = in[c] + call;
                callSide[c] = side[c] != nullptr ? side[c] + call : nullptr;
                callOut[c] = expected[c].data() + call;
            }
            reference_->process(callIn.data(), callOut.data(), callSide.data(), numChannels_, callFrames);
            for (int c = 0; c < numChannels_; ++c)
            {
                meters[0][c] = std::min(meters[0][c], reference_->getMeterValue(kMeterGainReduction0 + c));
                meters[1][c] = std::max(meters[1][c], reference_->getMeterValue(kMeterInput0 + c));
                meters[2][c] = std::max(meters[2][c], reference_->getMeterValue(kMeterOutput0 + c));
            }
        }
        for (; nextChange < pendingChanges_.size(); ++nextChange) // at or past the block's end
            setReferenceControl(pendingChanges_[nextChange].parameterId, pendingChanges_[nextChange].plainValue);
        pendingChanges_.clear();
        if (frames == 0)
            return;
        for (int c = 0; c < numChannels_; ++c)
        {
            for (int i = 0; i < frames; ++i)
                differingSamples_ += std::memcmp(&expected[c][i], out[c] + i, sizeof(float)) != 0;
            for (const MeterKind kind : {MeterKind::GainReduction, MeterKind::InputPeak, MeterKind::OutputPeak})
            {
                const float meterDb = 20.0f * std::log10(std::max(1.0e-6f, meters[static_cast<int>(kind)][c]));
                differingMeters_ += pluginMeterDb(kind, c) != meterDb;
            }
        }
    }

    void processFrames(int totalFrames, int blockFrames)
    {
        for (int done = 0; done < totalFrames; done += blockFrames)
            processBlock(std::min(blockFrames, totalFrames - done));
    }

    int differingSamples() const { return differingSamples_; }
    int differingMeters() const { return differingMeters_; }
    int failedBlocks() const { return failedBlocks_; }
    float pluginMeterDb(MeterKind kind, int channel) const
    {
        const int meter = kNumParameters + static_cast<int>(kind) * numChannels_ + channel;
        return static_cast<float>(plugin_.parameterValue(meter));
    }
    const std::vector<std::vector<float>>& input() const { return input_; }
    const std::vector<std::vector<float>>& output() const { return output_; }

private:
    HostedPlugin& plugin_;
    const int numChannels_;
    const std::unique_ptr<CorvexEngine> reference_{createCorvexEngine()};
    const std::vector<host::ParameterDescription> descriptions_ = host::describeParameters(*reference_);
    std::vector<std::vector<float>> input_, sideChain_, output_;
    bool sideChainConnected_ = true;
    struct PendingChange
    {
        int frameOffset, parameterId;
        float plainValue;
    };
    std::vector<PendingChange> pendingChanges_;
    int differingSamples_ = 0;
    int differingMeters_ = 0;
    int failedBlocks_ = 0;
};

} // namespace corvex::plugin_hosts
