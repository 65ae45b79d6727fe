#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvex::plugin_hosts
{

// One parameter as the host sees it, in plain values.
struct HostParameterInfo
{
    std::string name;
    double minimum, maximum, defaultValue;
    bool isOutput;      // read-only: written by the plug-in (the meters)
    bool isStepped;     // switches and choices
    std::string symbol; // what LV2 hosts store a control by; none in other formats
    bool isBypass;      // the host's bypass (CLAP, VST3): 1 is bypassed
    bool isEnabled;     // designated lv2:enabled (LV2): 1 is on
};

// Channels of the audio buses the plug-in declares: the main input, the input
// marked as side chain, and the main output.
struct AudioLayout
{
    int mainInputs, sideChainInputs, outputs;
};

// What the host hears from the plug-in's interface about one parameter: a
// gesture beginning or ending, or a value set (plain) within it.
struct EditorEvent
{
    enum Kind
    {
        GestureBegin,
        Value,
        GestureEnd
    } kind;
    int index;
    double plainValue;
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
    // The plain value a text names, as a host's text field asks the plug-in; empty when it names none.
    virtual std::optional<double> valueFromText(int index, const std::string& text) = 0;
    // The gain reduction in dB the host reads for its own meters (CLAP gain-adjustment metering,
    // VST3 IGainReductionInfo); empty when the format has no such report.
    virtual std::optional<double> hostGainReductionDb() { return std::nullopt; }
    // A host's mixer-strip picture of the plug-in (LV2 inline display): 32-bit
    // ARGB pixels row by row; empty when the format has none. drawRequests
    // counts the plug-in's requests to draw it again.
    struct Picture
    {
        int width, height;
        std::vector<std::uint32_t> pixels;
    };
    virtual std::optional<Picture> renderInlineDisplay(int /*width*/, int /*maxHeight*/) { return std::nullopt; }
    int drawRequests = 0;
    virtual int latencySamples() = 0;
    // Deactivates the plug-in and activates it again at another rate, as hosts
    // do when the session's rate changes; false when the format cannot (LV2
    // plug-ins are instantiated at their rate).
    virtual bool reactivate(double /*sampleRate*/) { return false; }

    // Queues a change for the frame at frameOffset of the next block (changes
    // queued in the order of their offsets); returns the plain value, as a
    // float, that the plug-in receives for it (not a number: none; a host's
    // bypass reaches the plug-in's enable switch turned over). CLAP and
    // VST3 hand it over as an event or point at that frame, the LV2 host splits
    // its run there, as LV2 hosts do for automation.
    virtual float queueParameterChange(int index, double plainValue, int frameOffset) = 0;
    float queueParameterChange(int index, double plainValue) { return queueParameterChange(index, plainValue, 0); }
    // The same change as an event of another namespace than the format's own
    // (CLAP event spaces); false when the format has no such thing.
    virtual bool queueForeignEvent(int /*index*/, double /*plainValue*/) { return false; }
    // One host block: main and side-chain inputs in, outputs out, queued changes
    // delivered. The channels follow audioLayout(); no side-chain channels leave
    // the side chain unconnected. A block of no frames delivers the changes only
    // (a parameter flush). False when the plug-in failed.
    virtual bool process(std::span<float*> mainInputs, std::span<float*> sideChainInputs, std::span<float*> outputs,
                         int frames) = 0;
    // A control's setting or a meter's reading as the plug-in last reported it, plain.
    virtual double parameterValue(int index) = 0;

    // The plug-in's state as a host stores it with a project; empty when there is
    // none. CLAP and VST3 streams move at most statePieceBytes per call.
    virtual std::optional<std::vector<char>> saveState() = 0;
    virtual bool loadState(const std::vector<char>& state) = 0;
    std::size_t statePieceBytes = SIZE_MAX;

    // Opens the plug-in's interface embedded in a native window (an X11 Window or
    // an HWND) that makeParent creates at the interface's size; the interface
    // closes with the plug-in. onEditorResize answers the interface's requests
    // for another size; onEditorEvent hears its edits, which also reach the
    // plug-in with the next block. Throws std::runtime_error when it cannot (the
    // LV2 host opens none: LV2 interfaces are tried in a host of their own).
    virtual void openEditor(const std::function<uintptr_t(uint32_t width, uint32_t height)>& /*makeParent*/)
    {
        throw std::runtime_error("this host opens no interface");
    }
    // The host's main-thread turn: the interface's timers, callbacks, meters.
    virtual void idleEditor() {}
    std::function<void(uint32_t width, uint32_t height)> onEditorResize;
    std::function<void(const EditorEvent&)> onEditorEvent;

    // Called right before and right after the call into the plug-in's audio
    // callback in process(), and around nothing else the host does there: tools
    // that count what the callback does hook in here.
    void (*enterAudioCallback)() = nullptr;
    void (*leaveAudioCallback)() = nullptr;

protected:
    template <typename Call>
    auto inAudioCallback(Call&& call)
    {
        if (enterAudioCallback != nullptr)
            enterAudioCallback();
        const auto result = call();
        if (leaveAudioCallback != nullptr)
            leaveAudioCallback();
        return result;
    }
};

// How the hosts fail a step of loading or setting up a plug-in.
inline void require(bool condition, const std::string& what)
{
    if (!condition)
        throw std::runtime_error(what);
}

// A CLAP plug-in with the given id from the binary at path; a VST3 plug-in from
// the binary inside a .vst3 bundle; an LV2 plug-in with the given URI from the
// bundle folder at path. Each is activated at the rate for blocks of up to
// maxFrames. Failures to load or set up throw std::runtime_error.
std::unique_ptr<HostedPlugin> loadClapPlugin(const std::string& path, const std::string& pluginId, double sampleRate,
                                             int maxFrames);
std::unique_ptr<HostedPlugin> loadVst3Plugin(const std::string& path, double sampleRate, int maxFrames);
std::unique_ptr<HostedPlugin> loadLv2Plugin(const std::string& path, const std::string& uri, double sampleRate,
                                            int maxFrames);

} // namespace corvex::plugin_hosts
