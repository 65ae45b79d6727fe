#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvex::plugin_hosts
{

// One parameter as the host sees it, in plain values.
struct HostParameterInfo
{
    std::string name;
    double minimum = 0.0;
    double maximum = 0.0;
    double defaultValue = 0.0;
    bool isOutput = false;  // read-only: written by the plug-in (the meters)
    bool isStepped = false; // switches and choices
};

// Channels of the audio buses the plug-in declares: the main input, the input
// marked as side chain, and the main output.
struct AudioLayout
{
    int mainInputs = 0;
    int sideChainInputs = 0;
    int outputs = 0;
};

// A plug-in instance loaded, instantiated and activated by one of the test
// hosts, driven through its format's interface. Parameters are addressed by the
// plug-in's own index (0 to parameterCount() - 1), whatever ids the format uses.
class HostedPlugin
{
public:
    virtual ~HostedPlugin() = default;

    virtual std::string displayName() = 0;
    virtual std::string classId() = 0; // what a host stores to find the plug-in again
    virtual AudioLayout audioLayout() = 0;
    virtual int parameterCount() = 0;
    virtual HostParameterInfo parameterInfo(int index) = 0;
    virtual std::string valueText(int index, double plainValue) = 0;
    virtual int latencySamples() = 0;

    // Queues a change for the start of the next block; returns the plain value,
    // as a float, that the plug-in receives for it.
    virtual float queueParameterChange(int index, double plainValue) = 0;
    // One host block: main and side-chain inputs in, outputs out, queued changes
    // delivered. The channels follow audioLayout(). False when the plug-in failed.
    virtual bool process(std::vector<float*> mainInputs, std::vector<float*> sideChainInputs,
                         std::vector<float*> outputs, int frames) = 0;
    // The last value the plug-in reported for an output parameter, plain.
    virtual double outputValue(int index) = 0;
    // The current value of a control as the plug-in reports it, plain.
    virtual double parameterValue(int index) = 0;

    // The plug-in's state as the host would store it with a project; empty when
    // the plug-in offers no state.
    virtual std::optional<std::vector<char>> saveState() = 0;
    virtual bool loadState(const std::vector<char>& state) = 0;
};

// A CLAP plug-in with the given id from the bundle at path; a VST3 plug-in from
// the binary inside a .vst3 bundle. Both are activated at the rate for blocks of
// up to maxFrames. Failures to load or set up throw std::runtime_error.
std::unique_ptr<HostedPlugin> loadClapPlugin(const std::string& path, const std::string& pluginId, double sampleRate,
                                             int maxFrames);
std::unique_ptr<HostedPlugin> loadVst3Plugin(const std::string& path, double sampleRate, int maxFrames);

} // namespace corvex::plugin_hosts
