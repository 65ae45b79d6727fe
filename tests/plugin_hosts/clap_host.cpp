// A minimal CLAP host: loads a bundle, creates one plug-in with the host
// extensions it asks for (latency, params, gui, timers), activates it and runs
// blocks with parameter events in and out. Its interface, when opened, runs
// from the host's idle turns; its edits come back as output events.
#include "tests/plugin_hosts/hosted_plugin.h"
#include "tests/plugin_hosts/shared_library.h"

#include "clap/entry.h"
#include "clap/ext/audio-ports.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/ext/timer-support.h"
#include "clap/plugin-factory.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>

namespace corvex::plugin_hosts
{
namespace
{

// A byte buffer as the plug-in's state stream, moving at most pieceBytes per call.
struct MemoryStream
{
    std::vector<char> bytes;
    std::size_t pieceBytes = SIZE_MAX;
    std::size_t readPosition = 0;
    clap_ostream_t output{this, [](const clap_ostream_t* stream, const void* buffer, uint64_t size) -> int64_t {
                              auto& self = *static_cast<MemoryStream*>(stream->ctx);
                              const auto count = std::min<std::size_t>(size, self.pieceBytes);
                              self.bytes.insert(self.bytes.end(), static_cast<const char*>(buffer),
                                                static_cast<const char*>(buffer) + count);
                              return static_cast<int64_t>(count);
                          }};
    clap_istream_t input{this, [](const clap_istream_t* stream, void* buffer, uint64_t size) -> int64_t {
                             auto& self = *static_cast<MemoryStream*>(stream->ctx);
                             const auto count = std::min({static_cast<std::size_t>(size),
                                                          self.bytes.size() - self.readPosition, self.pieceBytes});
                             std::memcpy(buffer, self.bytes.data() + self.readPosition, count);
                             self.readPosition += count;
                             return static_cast<int64_t>(count);
                         }};
};

class ClapPlugin final : public HostedPlugin
{
public:
    ClapPlugin(const std::string& path, const std::string& pluginId, double sampleRate, int maxFrames)
        : library_(path), entry_(static_cast<const clap_plugin_entry_t*>(library_.symbol("clap_entry")))
    {
        require(clap_version_is_compatible(entry_->clap_version) && entry_->init(path.c_str()),
                "CLAP: incompatible entry or failed init");
        const auto* factory = static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
        require(factory != nullptr, "CLAP: no plug-in factory");
        plugin_ = factory->create_plugin(factory, &host_, pluginId.c_str());
        require(plugin_ != nullptr && plugin_->init(plugin_), "CLAP: cannot create and initialise " + pluginId);
        params_ = static_cast<const clap_plugin_params_t*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
        latency_ = static_cast<const clap_plugin_latency_t*>(plugin_->get_extension(plugin_, CLAP_EXT_LATENCY));
        state_ = static_cast<const clap_plugin_state_t*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
        ports_ = static_cast<const clap_plugin_audio_ports_t*>(plugin_->get_extension(plugin_, CLAP_EXT_AUDIO_PORTS));
        require(params_ != nullptr && ports_ != nullptr, "CLAP: no params or audio-ports extension");
        require(plugin_->activate(plugin_, sampleRate, 1, static_cast<uint32_t>(maxFrames)) &&
                    plugin_->start_processing(plugin_),
                "CLAP: activate or start_processing failed");
        // Room for a change of every parameter, the meters' values before the first
        // block and a silent side chain: process() allocates nothing.
        inputEvents_.reserve(static_cast<std::size_t>(parameterCount()));
        for (int index = 0; index < parameterCount(); ++index)
        {
            const clap_param_info_t param = info(index);
            params_->get_value(plugin_, param.id, &outputValues_[param.id]);
            if ((param.flags & CLAP_PARAM_IS_READONLY) == 0)
                controlIndexes_[param.id] = index;
        }
        silentBuffer_.resize(static_cast<std::size_t>(maxFrames));
        silence_.assign(static_cast<std::size_t>(audioLayout().sideChainInputs), silentBuffer_.data());
    }

    ~ClapPlugin() override
    {
        plugin_->stop_processing(plugin_);
        plugin_->deactivate(plugin_);
        if (editorOpen_)
            gui_->destroy(plugin_);
        plugin_->destroy(plugin_);
        entry_->deinit();
    }

    std::string displayName() override { return plugin_->desc->name; }
    std::string classId() override { return plugin_->desc->id; }

    AudioLayout audioLayout() override
    {
        AudioLayout layout{};
        for (const bool isInput : {true, false})
            for (uint32_t i = 0; i < ports_->count(plugin_, isInput); ++i)
            {
                clap_audio_port_info_t port{};
                require(ports_->get(plugin_, i, isInput, &port), "CLAP: audio port info");
                const bool isMain = (port.flags & CLAP_AUDIO_PORT_IS_MAIN) != 0;
                (isInput ? (isMain ? layout.mainInputs : layout.sideChainInputs) : layout.outputs) +=
                    static_cast<int>(port.channel_count);
            }
        return layout;
    }

    int parameterCount() override { return static_cast<int>(params_->count(plugin_)); }

    HostParameterInfo parameterInfo(int index) override
    {
        const clap_param_info_t param = info(index);
        return {param.name,
                param.min_value,
                param.max_value,
                param.default_value,
                (param.flags & CLAP_PARAM_IS_READONLY) != 0,
                (param.flags & CLAP_PARAM_IS_STEPPED) != 0,
                "",
                (param.flags & CLAP_PARAM_IS_BYPASS) != 0,
                false};
    }

    std::string valueText(int index, double plainValue) override
    {
        char text[CLAP_NAME_SIZE] = {};
        require(params_->value_to_text(plugin_, info(index).id, plainValue, text, sizeof text), "CLAP: value_to_text");
        return text;
    }

    bool reactivate(double sampleRate) override
    {
        plugin_->stop_processing(plugin_);
        plugin_->deactivate(plugin_);
        return plugin_->activate(plugin_, sampleRate, 1, static_cast<uint32_t>(silentBuffer_.size())) &&
               plugin_->start_processing(plugin_);
    }

    std::optional<double> valueFromText(int index, const std::string& text) override
    {
        double value = 0.0;
        return params_->text_to_value(plugin_, info(index).id, text.c_str(), &value) ? std::optional(value)
                                                                                     : std::nullopt;
    }

    // The gain-adjustment-metering extension, a draft of CLAP newer than the framework's headers.
    std::optional<double> hostGainReductionDb() override
    {
        struct GainAdjustmentMetering
        {
            double(CLAP_ABI* get)(const clap_plugin_t*);
        };
        const auto* metering = static_cast<const GainAdjustmentMetering*>(
            plugin_->get_extension(plugin_, "clap.gain-adjustment-metering/0"));
        return metering != nullptr ? std::optional(metering->get(plugin_)) : std::nullopt;
    }

    int latencySamples() override { return latency_ != nullptr ? static_cast<int>(latency_->get(plugin_)) : -1; }

    using HostedPlugin::queueParameterChange;
    float queueParameterChange(int index, double plainValue, int frameOffset) override
    {
        clap_event_param_value_t& event = inputEvents_.emplace_back();
        event.header = {sizeof event, static_cast<uint32_t>(frameOffset), CLAP_CORE_EVENT_SPACE_ID,
                        CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = info(index).id;
        event.note_id = event.port_index = event.channel = event.key = -1;
        event.value = plainValue;
        return static_cast<float>((info(index).flags & CLAP_PARAM_IS_BYPASS) != 0 ? 1.0 - plainValue : plainValue);
    }

    bool queueForeignEvent(int index, double plainValue) override
    {
        queueParameterChange(index, plainValue, 0);
        inputEvents_.back().header.space_id = CLAP_CORE_EVENT_SPACE_ID + 1;
        return true;
    }

    bool process(std::span<float*> mainInputs, std::span<float*> sideChainInputs, std::span<float*> outputs,
                 int frames) override
    {
        // CLAP hosts give every port its buffers: an unconnected side chain is silence.
        if (sideChainInputs.empty())
            sideChainInputs = silence_;
        const clap_audio_buffer_t inputs[2] = {
            {mainInputs.data(), nullptr, static_cast<uint32_t>(mainInputs.size()), 0, 0},
            {sideChainInputs.data(), nullptr, static_cast<uint32_t>(sideChainInputs.size()), 0, 0}};
        clap_audio_buffer_t output{outputs.data(), nullptr, static_cast<uint32_t>(outputs.size()), 0, 0};
        const clap_process_t block{steadyTime_,     static_cast<uint32_t>(frames), nullptr, inputs, &output, 2, 1,
                                   &inputEventList_, &outputEventList_};
        steadyTime_ += frames;
        const clap_process_status status = inAudioCallback([&] { return plugin_->process(plugin_, &block); });
        inputEvents_.clear();
        return status != CLAP_PROCESS_ERROR;
    }

    // Meters as the plug-in reported them in its output events, controls as it holds them.
    double parameterValue(int index) override
    {
        const clap_param_info_t param = info(index);
        double value = 0.0;
        if ((param.flags & CLAP_PARAM_IS_READONLY) != 0)
            return outputValues_.at(param.id);
        require(params_->get_value(plugin_, param.id, &value), "CLAP: get_value");
        return value;
    }

    std::optional<std::vector<char>> saveState() override
    {
        MemoryStream stream{{}, statePieceBytes};
        if (state_ == nullptr || !state_->save(plugin_, &stream.output))
            return std::nullopt;
        return stream.bytes;
    }

    bool loadState(const std::vector<char>& state) override
    {
        MemoryStream stream{state, statePieceBytes};
        return state_ != nullptr && state_->load(plugin_, &stream.input);
    }

    void openEditor(const std::function<uintptr_t(uint32_t width, uint32_t height)>& makeParent) override
    {
#if defined(_WIN32)
        clap_window_t parent{CLAP_WINDOW_API_WIN32, {}};
#else
        clap_window_t parent{CLAP_WINDOW_API_X11, {}};
#endif
        gui_ = static_cast<const clap_plugin_gui_t*>(plugin_->get_extension(plugin_, CLAP_EXT_GUI));
        timer_ = static_cast<const clap_plugin_timer_support_t*>(plugin_->get_extension(plugin_, CLAP_EXT_TIMER_SUPPORT));
        uint32_t width = 0, height = 0;
        require(gui_ != nullptr && (editorOpen_ = gui_->create(plugin_, parent.api, false)) &&
                    gui_->get_size(plugin_, &width, &height),
                "CLAP: cannot create the interface");
        parent.ptr = reinterpret_cast<void*>(makeParent(width, height));
        require(gui_->set_parent(plugin_, &parent) && gui_->show(plugin_), "CLAP: cannot show the interface");
    }

    void idleEditor() override
    {
        if (timerRegistered_ && timer_ != nullptr)
            timer_->on_timer(plugin_, kTimerId);
        if (callbackRequested_.exchange(false))
            plugin_->on_main_thread(plugin_);
    }

private:
    static ClapPlugin& of(const clap_host_t* host) { return *static_cast<ClapPlugin*>(host->host_data); }

    // The host's side of the extensions the plug-in needs. Each run activates the
    // plug-in once, so a changed latency or a request to restart needs no answer.
    // The interface has one timer, run at each idle turn.
    static const void* CLAP_ABI hostExtension(const clap_host_t*, const char* id)
    {
        static const clap_host_latency_t latency{[](const clap_host_t*) {}};
        static const clap_host_params_t params{[](const clap_host_t*, clap_param_rescan_flags) {},
                                               [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
                                               [](const clap_host_t*) {}};
        static const clap_host_gui_t gui{[](const clap_host_t*) {},
                                         [](const clap_host_t* host, uint32_t width, uint32_t height) {
                                             auto& resize = of(host).onEditorResize;
                                             return resize && (resize(width, height), true);
                                         },
                                         [](const clap_host_t*) { return true; },
                                         [](const clap_host_t*) { return true; }, [](const clap_host_t*, bool) {}};
        static const clap_host_timer_support_t timers{
            [](const clap_host_t* host, uint32_t, clap_id* timerId) {
                return *timerId = kTimerId, of(host).timerRegistered_ = true;
            },
            [](const clap_host_t* host, clap_id) { return !(of(host).timerRegistered_ = false); }};
        const std::pair<const char*, const void*> extensions[] = {
            {CLAP_EXT_LATENCY, &latency}, {CLAP_EXT_PARAMS, &params}, {CLAP_EXT_GUI, &gui}, {CLAP_EXT_TIMER_SUPPORT, &timers}};
        for (const auto& [name, extension] : extensions)
            if (std::strcmp(id, name) == 0)
                return extension;
        return nullptr;
    }

    // Parameter values queued for the next block, at their frames.
    static uint32_t CLAP_ABI inputEventCount(const clap_input_events_t* list)
    {
        return static_cast<uint32_t>(static_cast<ClapPlugin*>(list->ctx)->inputEvents_.size());
    }
    static const clap_event_header_t* CLAP_ABI inputEvent(const clap_input_events_t* list, uint32_t index)
    {
        return &static_cast<ClapPlugin*>(list->ctx)->inputEvents_.at(index).header;
    }
    // Values the plug-in reports for its output parameters (the meters), and the
    // interface's gestures and edits of the controls.
    static bool CLAP_ABI pushOutputEvent(const clap_output_events_t* list, const clap_event_header_t* event)
    {
        auto& self = *static_cast<ClapPlugin*>(list->ctx);
        const auto* value = reinterpret_cast<const clap_event_param_value_t*>(event);
        const auto* gesture = reinterpret_cast<const clap_event_param_gesture_t*>(event);
        const bool isValue = event->type == CLAP_EVENT_PARAM_VALUE;
        if (isValue)
            self.outputValues_[value->param_id] = value->value;
        if (!self.onEditorEvent)
            return true;
        const auto control = self.controlIndexes_.find(isValue ? value->param_id : gesture->param_id);
        if (control == self.controlIndexes_.end() ||
            (!isValue && event->type != CLAP_EVENT_PARAM_GESTURE_BEGIN && event->type != CLAP_EVENT_PARAM_GESTURE_END))
            return true;
        const auto kind = isValue ? EditorEvent::Value
                                  : (event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? EditorEvent::GestureBegin
                                                                                   : EditorEvent::GestureEnd);
        self.onEditorEvent({kind, control->second, isValue ? value->value : 0.0});
        return true;
    }

    clap_param_info_t info(int index)
    {
        clap_param_info_t param{};
        require(params_->get_info(plugin_, static_cast<uint32_t>(index), &param), "CLAP: parameter info");
        return param;
    }

    SharedLibrary library_;
    const clap_plugin_entry_t* entry_;
    static constexpr clap_id kTimerId = 1;
    const clap_host_t host_{CLAP_VERSION_INIT, this, "Corvex test host", "Corvex", "", "1.0", hostExtension,
                            [](const clap_host_t*) {}, [](const clap_host_t*) {},
                            [](const clap_host_t* host) { of(host).callbackRequested_ = true; }};
    const clap_plugin_t* plugin_ = nullptr;
    const clap_plugin_params_t* params_ = nullptr;
    const clap_plugin_latency_t* latency_ = nullptr;
    const clap_plugin_state_t* state_ = nullptr;
    const clap_plugin_audio_ports_t* ports_ = nullptr;
    std::vector<clap_event_param_value_t> inputEvents_;
    const clap_input_events_t inputEventList_{this, inputEventCount, inputEvent};
    const clap_output_events_t outputEventList_{this, pushOutputEvent};
    std::map<clap_id, double> outputValues_;
    std::map<clap_id, int> controlIndexes_; // the parameters an interface edits, by id
    const clap_plugin_gui_t* gui_ = nullptr;
    const clap_plugin_timer_support_t* timer_ = nullptr;
    bool editorOpen_ = false, timerRegistered_ = false;
    std::atomic<bool> callbackRequested_ = false;
    std::vector<float> silentBuffer_;
    std::vector<float*> silence_;
    int64_t steadyTime_ = 0;
};

} // namespace

std::unique_ptr<HostedPlugin> loadClapPlugin(const std::string& path, const std::string& pluginId, double sampleRate,
                                             int maxFrames)
{
    return std::make_unique<ClapPlugin>(path, pluginId, sampleRate, maxFrames);
}

} // namespace corvex::plugin_hosts
