// The CLAP side of the interface probe: the plug-in's view embedded in the
// host window, its timer and main-thread callbacks run from the host's loop.
// What the interface changes comes back from process() as output events.
#include "gui_probe.h"

#include "clap/entry.h"
#include "clap/plugin-factory.h"
#include "clap/ext/audio-ports.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/ext/timer-support.h"

#include <cstring>

namespace corvex::plugin_ui
{
namespace
{

bool timerRegistered = false;
bool callbackRequested = false;
HostWindow* hostWindow = nullptr; // the window the plug-in may ask to resize

const clap_host_gui_t hostGui = {
    [](const clap_host_t*) {},
    [](const clap_host_t*, uint32_t width, uint32_t height) {
        return hostWindow != nullptr && (hostWindow->resize(width, height), true);
    },
    [](const clap_host_t*) { return true; },
    [](const clap_host_t*) { return true; },
    [](const clap_host_t*, bool) {},
};
const clap_host_timer_support_t hostTimer = {
    [](const clap_host_t*, uint32_t, clap_id* id) { return *id = 1, timerRegistered = true; },
    [](const clap_host_t*, clap_id) { return !(timerRegistered = false); },
};
const clap_host_params_t hostParams = {
    [](const clap_host_t*, clap_param_rescan_flags) {},
    [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
    [](const clap_host_t*) {},
};
const clap_host_latency_t hostLatency = {[](const clap_host_t*) {}};

const void* hostExtension(const clap_host_t*, const char* id)
{
    if (!std::strcmp(id, CLAP_EXT_GUI))
        return &hostGui;
    if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT))
        return &hostTimer;
    if (!std::strcmp(id, CLAP_EXT_PARAMS))
        return &hostParams;
    if (!std::strcmp(id, CLAP_EXT_LATENCY))
        return &hostLatency;
    return nullptr;
}

const clap_host_t host = {
    CLAP_VERSION, nullptr, "corvex gui probe", "corvex", "", "1",
    hostExtension, [](const clap_host_t*) {}, [](const clap_host_t*) {},
    [](const clap_host_t*) { callbackRequested = true; },
};

bool printEvent(const clap_output_events_t*, const clap_event_header_t* event)
{
    const auto* value = reinterpret_cast<const clap_event_param_value_t*>(event);
    if (event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || event->type == CLAP_EVENT_PARAM_GESTURE_END)
        printGesture(value->param_id, event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN);
    else if (event->type == CLAP_EVENT_PARAM_VALUE)
        printValue(value->param_id, value->value);
    return true;
}

class ClapPlugin final : public ProbedPlugin
{
public:
    explicit ClapPlugin(const char* path)
        : entry_(static_cast<const clap_plugin_entry_t*>(librarySymbol(loadLibrary(path), "clap_entry")))
    {
        require(entry_->init(path), "the CLAP entry did not initialise");
        const auto* factory = static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
        const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
        plugin_ = factory->create_plugin(factory, &host, descriptor->id);
        require(plugin_ != nullptr && plugin_->init(plugin_), "cannot create the plug-in");
        gui_ = static_cast<const clap_plugin_gui_t*>(plugin_->get_extension(plugin_, CLAP_EXT_GUI));
        timer_ = static_cast<const clap_plugin_timer_support_t*>(plugin_->get_extension(plugin_, CLAP_EXT_TIMER_SUPPORT));
#ifdef _WIN32
        clap_window_t parent{CLAP_WINDOW_API_WIN32, {}};
#else
        clap_window_t parent{CLAP_WINDOW_API_X11, {}};
#endif
        uint32_t width = 0, height = 0;
        require(gui_ != nullptr && gui_->create(plugin_, parent.api, false) && gui_->get_size(plugin_, &width, &height),
                "cannot create the interface");
        window = std::make_unique<HostWindow>(descriptor->name, width, height);
        hostWindow = window.get();
        parent.ptr = reinterpret_cast<void*>(window->handle());
        require(gui_->set_parent(plugin_, &parent) && gui_->show(plugin_), "cannot show the interface");

        const auto* ports = static_cast<const clap_plugin_audio_ports_t*>(plugin_->get_extension(plugin_, CLAP_EXT_AUDIO_PORTS));
        for (const bool input : {true, false})
            for (uint32_t index = 0; index < ports->count(plugin_, input); ++index)
            {
                clap_audio_port_info_t info{};
                ports->get(plugin_, index, input, &info);
                (input ? inputs : outputs).emplace_back(info.channel_count);
            }
        for (auto [buses, buffers] : {std::pair{&inputs, &inputBuffers_}, {&outputs, &outputBuffers_}})
            for (Bus& bus : *buses)
                buffers->push_back({bus.pointers.data(), nullptr, static_cast<uint32_t>(bus.pointers.size()), 0, 0});
        plugin_->activate(plugin_, kSampleRate, 32, kBlockFrames);
        plugin_->start_processing(plugin_);
    }

    ~ClapPlugin() override
    {
        plugin_->stop_processing(plugin_);
        plugin_->deactivate(plugin_);
        gui_->destroy(plugin_);
        plugin_->destroy(plugin_);
        entry_->deinit();
    }

    void process() override
    {
        static const clap_input_events_t noEvents = {
            nullptr, [](const clap_input_events_t*) { return 0u; },
            [](const clap_input_events_t*, uint32_t) -> const clap_event_header_t* { return nullptr; }};
        static const clap_output_events_t printer = {nullptr, printEvent};
        clap_process_t process{};
        process.frames_count = kBlockFrames;
        process.steady_time = -1;
        process.audio_inputs = inputBuffers_.data();
        process.audio_inputs_count = static_cast<uint32_t>(inputBuffers_.size());
        process.audio_outputs = outputBuffers_.data();
        process.audio_outputs_count = static_cast<uint32_t>(outputBuffers_.size());
        process.in_events = &noEvents;
        process.out_events = &printer;
        plugin_->process(plugin_, &process);
    }

    void idle() override
    {
        if (timerRegistered && timer_ != nullptr)
            timer_->on_timer(plugin_, 1);
        if (callbackRequested)
        {
            callbackRequested = false;
            plugin_->on_main_thread(plugin_);
        }
    }

private:
    const clap_plugin_entry_t* entry_;
    const clap_plugin_t* plugin_ = nullptr;
    const clap_plugin_gui_t* gui_ = nullptr;
    const clap_plugin_timer_support_t* timer_ = nullptr;
    std::vector<clap_audio_buffer_t> inputBuffers_, outputBuffers_;
};

} // namespace

std::unique_ptr<ProbedPlugin> openClapPlugin(const char* path)
{
    return std::make_unique<ClapPlugin>(path);
}

} // namespace corvex::plugin_ui
