#pragma once

#include "corvex_engine.h"
#include "tests/lv2/audio.h"

#include <lilv/lilv.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvex::testing
{

// A control port value set by a host before the block with the given index.
struct ControlChange
{
    std::size_t block;
    int parameterId;
    float portValue;
};

// The built bundle as a host sees it: a lilv world that loaded corvex.lv2 only.
class Lv2Bundle
{
public:
    explicit Lv2Bundle(const std::string& bundleDirectory);
    ~Lv2Bundle();
    Lv2Bundle(const Lv2Bundle&) = delete;
    Lv2Bundle& operator=(const Lv2Bundle&) = delete;

    // Null when the bundle does not describe the plug-in.
    const LilvPlugin* plugin(const char* uri) const;
    // A URI node that lives as long as the bundle.
    const LilvNode* uri(const std::string& uri);
    LilvWorld* world() const { return world_; }

private:
    LilvWorld* world_;
    std::vector<LilvNode*> nodes_;
};

// One instance of a plug-in with the buffers a host owns: every control port
// starts at its default, audio buffers hold up to kMaxBlockFrames frames.
class HostedPlugin
{
public:
    static constexpr std::size_t kMaxBlockFrames = 4096;

    // Instantiates, connects every port except the side-chain inputs, and activates.
    HostedPlugin(const LilvPlugin* plugin, int numChannels, double sampleRate);
    ~HostedPlugin();
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    bool instantiated() const { return instance_ != nullptr; }
    int numChannels() const { return numChannels_; }

    float& control(int parameterId);
    std::array<float, kNumParameters> controls() const;
    // The value of a control output (latency or meter) by port index.
    float output(std::uint32_t port) const { return portValues_[port]; }

    float* audioInput(int channel) { return audio_[layoutIndex(0, channel)].data(); }
    float* audioOutput(int channel) { return audio_[layoutIndex(1, channel)].data(); }
    float* sideChainInput(int channel) { return audio_[layoutIndex(2, channel)].data(); }
    void connectSideChain(bool connected);
    void connect(std::uint32_t port, void* data);

    // One run() of the plug-in, with its heap allocations counted.
    void run(std::size_t numFrames);
    void activate();
    void deactivate();
    std::size_t allocationsInRun() const { return allocationsInRun_; }

    // Runs input (and the side chain, when given) through the plug-in in host
    // blocks of blockSize frames, applying the control changes before their blocks.
    Audio process(const Audio& input, const Audio* sideChain, std::size_t blockSize,
                  const std::vector<ControlChange>& changes = {});

private:
    std::size_t layoutIndex(int group, int channel) const
    {
        return static_cast<std::size_t>(group * numChannels_ + channel);
    }

    const int numChannels_;
    LilvInstance* instance_;
    std::vector<float> portValues_;
    std::vector<std::vector<float>> audio_; // inputs, outputs, side-chain inputs
    bool active_ = false;
    std::size_t allocationsInRun_ = 0;
};

} // namespace corvex::testing
