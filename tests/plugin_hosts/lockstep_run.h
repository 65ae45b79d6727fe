#pragma once

#include "corvex_engine.h"
#include "libraries/host/parameter_description.h"
#include "tests/plugin_hosts/hosted_plugin.h"

#include <memory>
#include <vector>

namespace corvex::plugin_hosts
{

inline constexpr int kSampleRate = 48000;

// The normalized value the plug-in hands the engine for a plain value, found
// with the same library functions it uses.
float engineNormalizedValue(CorvexEngine& engine, const host::ParameterDescription& description, float plainValue);

// A linear meter value of the engine in dB, as the plug-in reports it.
float meterDb(float linear);

// Meter kinds in the order of the plug-in's output parameters, each one per channel.
enum class MeterKind
{
    GainReduction,
    InputPeak,
    OutputPeak
};

// A hosted plug-in and a reference engine from the shared library, fed the same
// signal side by side: a 997 Hz sine at -6 dBFS on the main input and a 150 Hz
// sine at -1 dBFS on the side chain (each channel with its own phase). The
// engine runs as the plug-in must run it: the same normalized values, each host
// block split into calls of 32 frames from its first frame, the meters held over
// the block. Every block's output and meters are compared, bit for bit.
class LockstepRun
{
public:
    LockstepRun(HostedPlugin& plugin, int numChannels);

    // A control change through the host, applied to the engine as the plug-in applies it.
    void setControl(int parameterId, double plainValue);
    // What the plug-in does itself, such as a restored state, applied to the engine only.
    void setReferenceControl(int parameterId, float plainValue);
    void processBlock(int frames);
    void processFrames(int totalFrames, int blockFrames);

    int differingSamples() const { return differingSamples_; }
    int differingMeters() const { return differingMeters_; }
    int failedBlocks() const { return failedBlocks_; }
    float pluginMeterDb(MeterKind kind, int channel) const;
    const std::vector<std::vector<float>>& input() const { return input_; }
    const std::vector<std::vector<float>>& output() const { return output_; }

private:
    HostedPlugin& plugin_;
    const int numChannels_;
    std::unique_ptr<CorvexEngine> reference_;
    std::vector<host::ParameterDescription> descriptions_;
    std::vector<std::vector<float>> input_, sideChain_, output_;
    int differingSamples_ = 0;
    int differingMeters_ = 0;
    int failedBlocks_ = 0;
};

} // namespace corvex::plugin_hosts
