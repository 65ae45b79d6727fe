#include "tests/lv2/lilv_host.h"

#include "plugins/lv2/port_layout.h"
#include "tests/lv2/allocation_counter.h"

#include <algorithm>
#include <stdexcept>

namespace corvex::testing
{

Lv2Bundle::Lv2Bundle(const std::string& bundleDirectory) : world_(lilv_world_new())
{
    LilvNode* const bundle = lilv_new_file_uri(world_, nullptr, (bundleDirectory + "/").c_str());
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);
}

Lv2Bundle::~Lv2Bundle()
{
    for (LilvNode* node : nodes_)
        lilv_node_free(node);
    lilv_world_free(world_);
}

const LilvPlugin* Lv2Bundle::plugin(const char* pluginUri) const
{
    LilvNode* const node = lilv_new_uri(world_, pluginUri);
    const LilvPlugin* const plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), node);
    lilv_node_free(node);
    return plugin;
}

const LilvNode* Lv2Bundle::uri(const std::string& uri)
{
    nodes_.push_back(lilv_new_uri(world_, uri.c_str()));
    return nodes_.back();
}

HostedPlugin::HostedPlugin(const LilvPlugin* plugin, int numChannels, double sampleRate)
    : numChannels_(numChannels),
      instance_(lilv_plugin_instantiate(plugin, sampleRate, nullptr)),
      portValues_(lilv_plugin_get_num_ports(plugin)),
      audio_(static_cast<std::size_t>(3 * numChannels), std::vector<float>(kMaxBlockFrames))
{
    if (instance_ == nullptr)
        return;
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, portValues_.data());
    const lv2::PortLayout layout{numChannels};
    for (std::uint32_t port = 0; port < layout.audioInput(0); ++port)
        connect(port, &portValues_[port]);
    for (int channel = 0; channel < numChannels; ++channel)
    {
        connect(layout.audioInput(channel), audioInput(channel));
        connect(layout.audioOutput(channel), audioOutput(channel));
    }
    activate();
}

HostedPlugin::~HostedPlugin()
{
    if (instance_ == nullptr)
        return;
    deactivate();
    lilv_instance_free(instance_);
}

float& HostedPlugin::control(int parameterId)
{
    return portValues_[lv2::PortLayout::control(parameterId)];
}

std::array<float, kNumParameters> HostedPlugin::controls() const
{
    std::array<float, kNumParameters> values{};
    std::copy_n(portValues_.begin(), values.size(), values.begin());
    return values;
}

void HostedPlugin::connectSideChain(bool connected)
{
    const lv2::PortLayout layout{numChannels_};
    for (int channel = 0; channel < numChannels_; ++channel)
        connect(layout.sideChainInput(channel), connected ? sideChainInput(channel) : nullptr);
}

void HostedPlugin::connect(std::uint32_t port, void* data)
{
    lilv_instance_connect_port(instance_, port, data);
}

void HostedPlugin::run(std::size_t numFrames)
{
    const std::size_t before = allocationCount();
    lilv_instance_run(instance_, static_cast<std::uint32_t>(numFrames));
    allocationsInRun_ += allocationCount() - before;
}

void HostedPlugin::activate()
{
    lilv_instance_activate(instance_);
    active_ = true;
}

void HostedPlugin::deactivate()
{
    if (active_)
        lilv_instance_deactivate(instance_);
    active_ = false;
}

Audio HostedPlugin::process(const Audio& input, const Audio* sideChain, std::size_t blockSize,
                            const std::vector<ControlChange>& changes)
{
    if (blockSize > kMaxBlockFrames)
        throw std::invalid_argument("block larger than the host buffers");
    connectSideChain(sideChain != nullptr);
    const std::size_t numFrames = input.front().size();
    Audio output(static_cast<std::size_t>(numChannels_), std::vector<float>(numFrames));
    for (std::size_t start = 0, block = 0; start < numFrames; start += blockSize, ++block)
    {
        for (const ControlChange& change : changes)
        {
            if (change.block == block)
                control(change.parameterId) = change.portValue;
        }
        const std::size_t count = std::min(blockSize, numFrames - start);
        for (int channel = 0; channel < numChannels_; ++channel)
        {
            std::copy_n(input[channel].begin() + start, count, audioInput(channel));
            if (sideChain != nullptr)
                std::copy_n((*sideChain)[channel].begin() + start, count, sideChainInput(channel));
        }
        run(count);
        for (int channel = 0; channel < numChannels_; ++channel)
            std::copy_n(audioOutput(channel), count, output[channel].begin() + start);
    }
    return output;
}

} // namespace corvex::testing
