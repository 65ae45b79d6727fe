#pragma once

#include "corvex_engine.h"
#include "libraries/host/parameter_description.h"
#include "plugins/lv2/port_layout.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace corvex::lv2
{

// One running plug-in: an engine and the LV2 ports around it (layout in
// port_layout.h). Everything is allocated when it is created; run() allocates
// nothing, makes no system call and calls the engine only with valid arguments.
class PluginInstance
{
public:
    // Null for a sample rate the engine does not accept (below 1 Hz, above
    // kCorvexMaxSampleRate or not a number): checked before any engine exists, so
    // nothing is reported. Throws std::bad_alloc when memory runs out.
    static std::unique_ptr<PluginInstance> create(int numChannels, double sampleRate);

    void connectPort(std::uint32_t port, void* data);
    // Clears the signal path's history: a stream starts as on a new instance.
    void activate();
    // Processes numFrames frames in engine calls of at most kCorvexMaxBufferSize.
    void run(std::uint32_t numFrames);

private:
    PluginInstance(int numChannels, int sampleRate, std::unique_ptr<CorvexEngine> engine);

    // Hands every control whose port value changed since the last run to the engine.
    void applyControlChanges();
    bool audioConnected() const;
    void writeMeter(std::uint32_t port, float linear) const;

    const PortLayout layout_;
    const int sampleRate_;
    const std::unique_ptr<CorvexEngine> engine_;
    const std::vector<host::ParameterDescription> descriptions_;

    std::array<float, kNumParameters> lastControlValues_{};
    std::array<bool, kNumParameters> controlsApplied_{};

    // Where the host connected each port, by port index; null until connected.
    std::array<float*, PortLayout{kCorvexMaxNumChannels}.numPorts()> ports_{};
};

} // namespace corvex::lv2
