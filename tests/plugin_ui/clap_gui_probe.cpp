// A small CLAP host for the interface tests: loads a plug-in, opens its
// interface in a floating window and runs it from the main thread as a host
// would (timer, main-thread callbacks, Windows messages), processing a tone
// that jumps between loud and quiet so that the meters move. What the
// interface changes comes back from process() as output events; the probe
// prints every gesture and value of a control:
//   gesture-begin ID / value ID VALUE / gesture-end ID
// Usage: clap_gui_probe PLUGIN.clap SECONDS
#include "clap/entry.h"
#include "clap/plugin-factory.h"
#include "clap/ext/audio-ports.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/ext/timer-support.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace
{

constexpr double kSampleRate = 48000.0;
constexpr uint32_t kBlockFrames = 768; // 16 ms, a whole number of 32-sample engine calls
constexpr clap_id kNumControls = 20;   // the meters, output parameters, follow the controls

bool timerRegistered = false;
bool callbackRequested = false;

const clap_host_gui_t hostGui = {
    [](const clap_host_t*) {},
    [](const clap_host_t*, uint32_t, uint32_t) { return true; },
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
    if (value->param_id >= kNumControls)
        return true;
    if (event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || event->type == CLAP_EVENT_PARAM_GESTURE_END)
        std::printf("gesture-%s %u\n", event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? "begin" : "end", value->param_id);
    else if (event->type == CLAP_EVENT_PARAM_VALUE)
        std::printf("value %u %.4f\n", value->param_id, value->value);
    std::fflush(stdout);
    return true;
}

const clap_plugin_entry_t* loadEntry(const char* path)
{
#ifdef _WIN32
    HMODULE library = LoadLibraryA(path);
    return library ? reinterpret_cast<const clap_plugin_entry_t*>(GetProcAddress(library, "clap_entry")) : nullptr;
#else
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    return library ? static_cast<const clap_plugin_entry_t*>(dlsym(library, "clap_entry")) : nullptr;
#endif
}

// One stereo or mono bus of the plug-in, with its channels' memory.
struct Bus
{
    std::vector<std::vector<float>> channels;
    std::vector<float*> pointers;
    clap_audio_buffer_t buffer{};
};

std::vector<Bus> makeBuses(const clap_plugin_t* plugin, const clap_plugin_audio_ports_t* ports, bool input)
{
    std::vector<Bus> buses(ports->count(plugin, input));
    for (uint32_t index = 0; index < buses.size(); ++index)
    {
        clap_audio_port_info_t info{};
        ports->get(plugin, index, input, &info);
        buses[index].channels.assign(info.channel_count, std::vector<float>(kBlockFrames));
        for (auto& channel : buses[index].channels)
            buses[index].pointers.push_back(channel.data());
        buses[index].buffer.data32 = buses[index].pointers.data();
        buses[index].buffer.channel_count = info.channel_count;
    }
    return buses;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return std::fprintf(stderr, "usage: clap_gui_probe PLUGIN.clap SECONDS\n"), 2;
    const clap_plugin_entry_t* entry = loadEntry(argv[1]);
    if (entry == nullptr || !entry->init(argv[1]))
        return std::fprintf(stderr, "cannot load %s\n", argv[1]), 1;
    const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    const clap_plugin_t* plugin = factory->create_plugin(factory, &host, descriptor->id);
    if (plugin == nullptr || !plugin->init(plugin))
        return std::fprintf(stderr, "cannot create the plug-in\n"), 1;
    const auto* gui = static_cast<const clap_plugin_gui_t*>(plugin->get_extension(plugin, CLAP_EXT_GUI));
    const auto* timer = static_cast<const clap_plugin_timer_support_t*>(plugin->get_extension(plugin, CLAP_EXT_TIMER_SUPPORT));
    const auto* ports = static_cast<const clap_plugin_audio_ports_t*>(plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS));
#ifdef _WIN32
    const char* api = CLAP_WINDOW_API_WIN32;
#else
    const char* api = CLAP_WINDOW_API_X11;
#endif
    if (gui == nullptr || !gui->create(plugin, api, true))
        return std::fprintf(stderr, "cannot create the interface\n"), 1;
    gui->suggest_title(plugin, descriptor->name); // names the floating window
    if (!gui->show(plugin))
        return std::fprintf(stderr, "cannot show the interface\n"), 1;

    std::vector<Bus> inputs = makeBuses(plugin, ports, true);
    std::vector<Bus> outputs = makeBuses(plugin, ports, false);
    std::vector<clap_audio_buffer_t> inputBuffers, outputBuffers;
    for (Bus& bus : inputs)
        inputBuffers.push_back(bus.buffer);
    for (Bus& bus : outputs)
        outputBuffers.push_back(bus.buffer);
    const clap_input_events_t noEvents = {nullptr, [](const clap_input_events_t*) { return 0u; },
                                          [](const clap_input_events_t*, uint32_t) -> const clap_event_header_t* { return nullptr; }};
    const clap_output_events_t printer = {nullptr, printEvent};
    clap_process_t process{};
    process.frames_count = kBlockFrames;
    process.steady_time = -1;
    process.audio_inputs = inputBuffers.data();
    process.audio_inputs_count = static_cast<uint32_t>(inputBuffers.size());
    process.audio_outputs = outputBuffers.data();
    process.audio_outputs_count = static_cast<uint32_t>(outputBuffers.size());
    process.in_events = &noEvents;
    process.out_events = &printer;
    plugin->activate(plugin, kSampleRate, 32, kBlockFrames);
    plugin->start_processing(plugin);
    std::printf("ready\n");
    std::fflush(stdout);

    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(std::atof(argv[2]));
    for (uint64_t frame = 0; std::chrono::steady_clock::now() < end; frame += kBlockFrames)
    {
        // A 1 kHz tone on the main input, at -6 dBFS for 0.6 s then at -30 dBFS for 0.6 s of
        // the clock's time: blocks come slower than real time while the interface draws.
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double amplitude = std::fmod(seconds, 1.2) < 0.6 ? 0.5 : 0.0316;
        for (uint32_t offset = 0; offset < kBlockFrames; ++offset)
        {
            const double time = static_cast<double>(frame + offset) / kSampleRate;
            for (auto& channel : inputs[0].channels)
                channel[offset] = static_cast<float>(amplitude * std::sin(2.0 * 3.141592653589793 * 1000.0 * time));
        }
        plugin->process(plugin, &process);
#ifdef _WIN32
        // The interface's timer and paints may refill the queue as fast as it
        // empties: a time limit keeps the audio going.
        const auto pumpEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(30);
        for (MSG message; std::chrono::steady_clock::now() < pumpEnd && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);)
        {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
#endif
        if (timerRegistered && timer != nullptr)
            timer->on_timer(plugin, 1);
        if (callbackRequested)
        {
            callbackRequested = false;
            plugin->on_main_thread(plugin);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    gui->destroy(plugin);
    plugin->destroy(plugin);
    entry->deinit();
    return 0;
}
