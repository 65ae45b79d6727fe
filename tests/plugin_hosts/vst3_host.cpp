// A minimal VST3 host on the C ABI: loads a module, creates the audio
// component and its edit controller, connected for their messages, activates
// every bus (the side chain is an auxiliary input bus) and runs blocks with
// parameter changes in and out. The controller's view, when opened, sits in a
// plug frame whose run loop the host's idle turns drive; its edits reach the
// host through the component handler and the processor with the next block.
#include "tests/plugin_hosts/hosted_plugin.h"
#include "tests/plugin_hosts/shared_library.h"

#include "travesty/audio_processor.h"
#include "travesty/component.h"
#include "travesty/edit_controller.h"
#include "travesty/factory.h"
#include "travesty/host.h"
#include "travesty/message.h"
#include "travesty/view.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#if !defined(_WIN32)
#include <poll.h>
#endif

namespace corvex::plugin_hosts
{
namespace
{

std::string narrow(const int16_t* text)
{
    std::string result;
    for (; *text != 0; ++text)
        result += static_cast<char>(*text);
    return result;
}

// The host's objects live as long as the plug-in instance, so they keep no
// reference count. Each starts with the pointer to its function table, which is
// what the plug-in receives as the object.
constexpr v3_result kOk = V3_OK;
// Windows' result codes do not fit the signed type as enumerators: converted explicitly.
constexpr v3_result kNotImplemented = static_cast<v3_result>(V3_NOT_IMPLEMENTED);
constexpr v3_result kInvalid = static_cast<v3_result>(V3_INVALID_ARG);

// The function table of a host object for an interface that has no such type of its own.
template <typename Interface>
struct Table : v3_funknown
{
    Interface methods;
};

uint32_t V3_API keepAlive(void*)
{
    return 1;
}

template <const v3_tuid& ownIid>
v3_result V3_API query(void* self, const v3_tuid iid, void** object)
{
    const bool known = v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, ownIid);
    *object = known ? self : nullptr;
    return known ? kOk : static_cast<v3_result>(V3_NO_INTERFACE);
}

// The changes of one parameter within a block: its points in the order of
// their offsets; a point at the offset of the last one replaces it. Room for
// kMaxPoints is made up front, so adding one allocates nothing.
struct ParameterQueue
{
    static constexpr std::size_t kMaxPoints = 64;
    static const v3_param_value_queue_cpp kTable;
    const v3_param_value_queue_cpp* table = &kTable;
    v3_param_id id = 0;
    std::vector<std::pair<int32_t, double>> points = reserved();

    static std::vector<std::pair<int32_t, double>> reserved()
    {
        std::vector<std::pair<int32_t, double>> room;
        room.reserve(kMaxPoints);
        return room;
    }
    int32_t add(int32_t offset, double value)
    {
        if (points.empty() || points.back().first != offset)
            points.emplace_back(offset, 0.0);
        points.back().second = value;
        return static_cast<int32_t>(points.size()) - 1;
    }
    double last() const { return points.back().second; }
};

const v3_param_value_queue_cpp ParameterQueue::kTable{
    {query<v3_param_value_queue_iid>, keepAlive, keepAlive},
    {[](void* self) { return static_cast<ParameterQueue*>(self)->id; },
     [](void* self) { return static_cast<int32_t>(static_cast<ParameterQueue*>(self)->points.size()); },
     [](void* self, int32_t index, int32_t* offset, double* value) {
         const auto& points = static_cast<ParameterQueue*>(self)->points;
         if (index < 0 || index >= static_cast<int32_t>(points.size()))
             return static_cast<v3_result>(V3_INVALID_ARG);
         return *offset = points[index].first, *value = points[index].second, kOk;
     },
     [](void* self, int32_t offset, double value, int32_t* index) {
         auto& queue = *static_cast<ParameterQueue*>(self);
         if (queue.points.size() == kMaxPoints && queue.points.back().first != offset)
             return static_cast<v3_result>(V3_INVALID_ARG);
         return *index = queue.add(offset, value), kOk;
     }}};

// The parameter changes of one block, in either direction, with room for every
// parameter made up front: nothing is allocated while the plug-in processes.
struct ParameterChanges
{
    static const v3_param_changes_cpp kTable;
    const v3_param_changes_cpp* table = &kTable;
    std::vector<ParameterQueue> queues;
    int32_t used = 0;

    v3_param_changes** object() { return reinterpret_cast<v3_param_changes**>(this); }
    ParameterQueue* queueFor(v3_param_id id, int32_t* index = nullptr)
    {
        int32_t found = 0;
        while (found < used && queues[found].id != id)
            ++found;
        if (found == static_cast<int32_t>(queues.size()))
            return nullptr;
        if (found == used)
            queues[used++].id = id;
        if (index != nullptr)
            *index = found;
        return &queues[found];
    }
};

const v3_param_changes_cpp ParameterChanges::kTable{
    {query<v3_param_changes_iid>, keepAlive, keepAlive},
    {[](void* self) { return static_cast<ParameterChanges*>(self)->used; },
     [](void* self, int32_t index) {
         return reinterpret_cast<v3_param_value_queue**>(&static_cast<ParameterChanges*>(self)->queues.at(index));
     },
     [](void* self, v3_param_id* id, int32_t* index) {
         return reinterpret_cast<v3_param_value_queue**>(static_cast<ParameterChanges*>(self)->queueFor(*id, index));
     }}};

// A byte buffer behind the component's state stream, read and written in
// order, at most pieceBytes per call.
struct MemoryStream
{
    static const Table<v3_bstream> kTable;
    const Table<v3_bstream>* table = &kTable;
    std::vector<char> bytes;
    std::size_t readPosition = 0;
    std::size_t pieceBytes = SIZE_MAX;

    v3_bstream** object() { return reinterpret_cast<v3_bstream**>(this); }
};

const Table<v3_bstream> MemoryStream::kTable{
    {query<v3_bstream_iid>, keepAlive, keepAlive},
    {[](void* self, void* buffer, int32_t size, int32_t* done) {
         auto& stream = *static_cast<MemoryStream*>(self);
         const auto count = std::min({static_cast<std::size_t>(size), stream.bytes.size() - stream.readPosition,
                                       stream.pieceBytes});
         std::memcpy(buffer, stream.bytes.data() + stream.readPosition, count);
         stream.readPosition += count;
         return *done = static_cast<int32_t>(count), kOk;
     },
     [](void* self, void* buffer, int32_t size, int32_t* done) {
         auto& stream = *static_cast<MemoryStream*>(self);
         const auto count = static_cast<int32_t>(std::min(static_cast<std::size_t>(size), stream.pieceBytes));
         stream.bytes.insert(stream.bytes.end(), static_cast<char*>(buffer), static_cast<char*>(buffer) + count);
         return *done = count, kOk;
     },
     [](void*, int64_t, int32_t, int64_t*) { return kNotImplemented; },
     [](void*, int64_t*) { return kNotImplemented; }}};

// The named values of a message, each kept as its bytes.
struct Attributes
{
    static const Table<v3_attribute_list> kTable;
    const Table<v3_attribute_list>* table = &kTable;
    std::map<std::string, std::vector<char>> values;

    static v3_result put(void* self, const char* id, const void* data, std::size_t size)
    {
        static_cast<Attributes*>(self)->values[id].assign(static_cast<const char*>(data),
                                                          static_cast<const char*>(data) + size);
        return kOk;
    }
    static const std::vector<char>* find(void* self, const char* id)
    {
        const auto& values = static_cast<Attributes*>(self)->values;
        const auto found = values.find(id);
        return found == values.end() ? nullptr : &found->second;
    }
    static v3_result get(void* self, const char* id, void* data, std::size_t size)
    {
        const std::vector<char>* value = find(self, id);
        return value == nullptr ? kInvalid : (std::memcpy(data, value->data(), std::min(size, value->size())), kOk);
    }
};

const Table<v3_attribute_list> Attributes::kTable{
    {query<v3_attribute_list_iid>, keepAlive, keepAlive},
    {[](void* self, const char* id, int64_t value) { return put(self, id, &value, sizeof value); },
     [](void* self, const char* id, int64_t* value) { return get(self, id, value, sizeof *value); },
     [](void* self, const char* id, double value) { return put(self, id, &value, sizeof value); },
     [](void* self, const char* id, double* value) { return get(self, id, value, sizeof *value); },
     [](void* self, const char* id, const int16_t* text) {
         std::size_t length = 0;
         while (text[length] != 0)
             ++length;
         return put(self, id, text, sizeof *text * (length + 1));
     },
     [](void* self, const char* id, int16_t* text, uint32_t bytes) { return get(self, id, text, bytes); },
     [](void* self, const char* id, const void* data, uint32_t bytes) { return put(self, id, data, bytes); },
     [](void* self, const char* id, const void** data, uint32_t* bytes) {
         const std::vector<char>* value = find(self, id);
         if (value == nullptr)
             return kInvalid;
         *data = value->data();
         *bytes = static_cast<uint32_t>(value->size());
         return kOk;
     }}};

// A message between the view and the controller, deleted at its last release.
struct Message
{
    static const Table<v3_message> kTable;
    const Table<v3_message>* table = &kTable;
    uint32_t references = 1;
    std::string id;
    Attributes attributes;
};

const Table<v3_message> Message::kTable{
    {query<v3_message_iid>, [](void* self) { return ++static_cast<Message*>(self)->references; },
     [](void* self) {
         const uint32_t left = --static_cast<Message*>(self)->references;
         if (left == 0)
             delete static_cast<Message*>(self);
         return left;
     }},
    {[](void* self) { return static_cast<Message*>(self)->id.c_str(); },
     [](void* self, const char* id) { static_cast<Message*>(self)->id = id; },
     [](void* self) { return reinterpret_cast<v3_attribute_list**>(&static_cast<Message*>(self)->attributes); }}};

// The host application: its name, and messages on request.
struct HostApplication
{
    static constexpr Table<v3_host_application> kTable{
        {query<v3_host_application_iid>, keepAlive, keepAlive},
        {[](void*, v3_str_128 name) {
             const char text[] = "Corvex test host";
             std::copy(std::begin(text), std::end(text), name);
             return kOk;
         },
         [](void*, v3_tuid classId, v3_tuid iid, void** object) {
             const bool message = v3_tuid_match(classId, v3_message_iid) && v3_tuid_match(iid, v3_message_iid);
             *object = message ? new Message : nullptr;
             return message ? kOk : static_cast<v3_result>(V3_NO_INTERFACE);
         }}};
    const Table<v3_host_application>* table = &kTable;
};

// The interface's gestures and edits, by parameter id; values normalized.
struct ComponentHandler
{
    static const Table<v3_component_handler> kTable;
    const Table<v3_component_handler>* table = &kTable;
    std::function<void(EditorEvent::Kind, v3_param_id, double)> edit;
};

const Table<v3_component_handler> ComponentHandler::kTable{
    {query<v3_component_handler_iid>, keepAlive, keepAlive},
    {[](void* self, v3_param_id id) {
         return static_cast<ComponentHandler*>(self)->edit(EditorEvent::GestureBegin, id, 0.0), kOk;
     },
     [](void* self, v3_param_id id, double normalized) {
         return static_cast<ComponentHandler*>(self)->edit(EditorEvent::Value, id, normalized), kOk;
     },
     [](void* self, v3_param_id id) {
         return static_cast<ComponentHandler*>(self)->edit(EditorEvent::GestureEnd, id, 0.0), kOk;
     },
     [](void*, int32_t) { return kOk; }}};

// The timers and file handlers the view registers, called from the probe's loop:
// every timer at each turn, about the 16 ms the framework asks for.
struct RunLoop
{
    static const Table<v3_run_loop> kTable;
    const Table<v3_run_loop>* table = &kTable;
    std::vector<std::pair<v3_event_handler**, int>> handlers;
    std::vector<v3_timer_handler**> timers;

    void run() const
    {
#ifndef _WIN32
        for (const auto& [handler, fd] : std::vector(handlers))
            if (pollfd ready{fd, POLLIN, 0}; poll(&ready, 1, 0) > 0)
                v3_cpp_obj(handler)->on_fd_is_set(handler, fd);
#endif
        for (v3_timer_handler** timer : std::vector(timers))
            v3_cpp_obj(timer)->on_timer(timer);
    }
};

const Table<v3_run_loop> RunLoop::kTable{
    {query<v3_run_loop_iid>, keepAlive, keepAlive},
    {[](void* self, v3_event_handler** handler, int fd) {
         return static_cast<RunLoop*>(self)->handlers.emplace_back(handler, fd), kOk;
     },
     [](void* self, v3_event_handler** handler) {
         return std::erase_if(static_cast<RunLoop*>(self)->handlers, [&](auto& entry) { return entry.first == handler; }), kOk;
     },
     [](void* self, v3_timer_handler** timer, uint64_t) { return static_cast<RunLoop*>(self)->timers.push_back(timer), kOk; },
     [](void* self, v3_timer_handler** timer) { return std::erase(static_cast<RunLoop*>(self)->timers, timer), kOk; }}};

// The view's frame: resizes the host window at the view's request, and answers for the run loop.
struct PlugFrame
{
    static const Table<v3_plugin_frame> kTable;
    const Table<v3_plugin_frame>* table = &kTable;
    HostedPlugin* plugin = nullptr; // whose onEditorResize answers
    RunLoop runLoop;
};

const Table<v3_plugin_frame> PlugFrame::kTable{
    {[](void* self, const v3_tuid iid, void** object) {
         if (!v3_tuid_match(iid, v3_run_loop_iid))
             return query<v3_plugin_frame_iid>(self, iid, object);
         *object = &static_cast<PlugFrame*>(self)->runLoop;
         return kOk;
     },
     keepAlive, keepAlive},
    {[](void* self, v3_plugin_view** view, v3_view_rect* rect) {
        auto& resize = static_cast<PlugFrame*>(self)->plugin->onEditorResize;
        if (!resize)
            return static_cast<v3_result>(V3_NOT_IMPLEMENTED);
        resize(static_cast<uint32_t>(rect->right - rect->left), static_cast<uint32_t>(rect->bottom - rect->top));
        return v3_cpp_obj(view)->on_size(view, rect);
    }}};

class Vst3Plugin final : public HostedPlugin
{
public:
    Vst3Plugin(const std::string& path, double sampleRate, int maxFrames) : library_(path)
    {
#if defined(_WIN32)
        require(reinterpret_cast<bool (*)()>(library_.symbol("InitDll"))(), "VST3: InitDll failed");
        moduleExit_ = reinterpret_cast<bool (*)()>(library_.symbol("ExitDll"));
#else
        const auto moduleEntry = reinterpret_cast<bool (*)(void*)>(library_.symbol("ModuleEntry"));
        require(moduleEntry(library_.handle()), "VST3: ModuleEntry failed");
        moduleExit_ = reinterpret_cast<bool (*)()>(library_.symbol("ModuleExit"));
#endif
        factory_ = static_cast<v3_plugin_factory**>(
            const_cast<void*>(reinterpret_cast<const void* (*)()>(library_.symbol("GetPluginFactory"))()));
        require(factory_ != nullptr, "VST3: no factory");
        v3_plugin_factory* const factory = v3_cpp_obj(factory_);
        for (int32_t i = 0; i < factory->num_classes(factory_); ++i)
        {
            v3_class_info info{};
            if (factory->get_class_info(factory_, i, &info) == V3_OK &&
                std::strcmp(info.category, "Audio Module Class") == 0)
            {
                std::memcpy(classId_, info.class_id, sizeof classId_);
                name_ = info.name;
            }
        }
        require(!name_.empty(), "VST3: the factory lists no audio module");
        require(factory->create_instance(factory_, classId_, v3_component_iid, reinterpret_cast<void**>(&component_)) ==
                        V3_OK &&
                    v3_cpp_obj_initialize(component_, context()) == V3_OK,
                "VST3: cannot create the component");
        // The controller is the component itself or an instance of the class it names.
        if (v3_cpp_obj_query_interface(component_, v3_edit_controller_iid, &controller_) != V3_OK)
        {
            v3_tuid controllerId{};
            require(v3_cpp_obj(component_)->get_controller_class_id(component_, controllerId) == V3_OK &&
                        factory->create_instance(factory_, controllerId, v3_edit_controller_iid,
                                                 reinterpret_cast<void**>(&controller_)) == V3_OK &&
                        v3_cpp_obj_initialize(controller_, context()) == V3_OK,
                    "VST3: cannot create the edit controller");
            separateController_ = true;
            if (v3_cpp_obj_query_interface(component_, v3_connection_point_iid, &connections_[0]) == V3_OK &&
                v3_cpp_obj_query_interface(controller_, v3_connection_point_iid, &connections_[1]) == V3_OK)
                for (const int end : {0, 1})
                    v3_cpp_obj(connections_[end])->connect(connections_[end], connections_[1 - end]);
        }
        require(v3_cpp_obj_query_interface(component_, v3_audio_processor_iid, &processor_) == V3_OK,
                "VST3: no audio processor");

        // The plug-in's parameters come after those the framework adds and hides.
        const int32_t count = v3_cpp_obj(controller_)->get_parameter_count(controller_);
        for (int32_t i = 0; i < count; ++i)
        {
            v3_param_info info{};
            require(v3_cpp_obj(controller_)->get_parameter_info(controller_, i, &info) == V3_OK,
                    "VST3: parameter info");
            if ((info.flags & V3_PARAM_IS_HIDDEN) == 0)
                parameters_.push_back(info);
            // Output parameters report changes only: until the first, they hold their defaults.
            outputValues_[info.param_id] = info.default_normalised_value;
        }
        inputChanges_.queues.resize(static_cast<std::size_t>(count));
        outputChanges_.queues.resize(static_cast<std::size_t>(count));

        setUpBuses();
        maxFrames_ = maxFrames;
        require(activate(sampleRate), "VST3: cannot set up processing and activate");
    }

    bool reactivate(double sampleRate) override
    {
        v3_cpp_obj(processor_)->set_processing(processor_, false);
        v3_cpp_obj(component_)->set_active(component_, false);
        return activate(sampleRate);
    }

    bool activate(double sampleRate)
    {
        v3_process_setup setup{V3_REALTIME, V3_SAMPLE_32, maxFrames_, sampleRate};
        return v3_cpp_obj(processor_)->setup_processing(processor_, &setup) == V3_OK &&
               v3_cpp_obj(component_)->set_active(component_, true) == V3_OK &&
               v3_cpp_obj(processor_)->set_processing(processor_, true) == V3_OK;
    }

    ~Vst3Plugin() override
    {
        if (view_ != nullptr)
        {
            v3_cpp_obj(view_)->removed(view_);
            v3_cpp_obj_unref(view_);
            v3_cpp_obj(controller_)->set_component_handler(controller_, nullptr);
        }
        v3_cpp_obj(processor_)->set_processing(processor_, false);
        v3_cpp_obj(component_)->set_active(component_, false);
        v3_cpp_obj_unref(processor_);
        for (const int end : {0, 1})
            if (connections_[1] != nullptr)
                v3_cpp_obj(connections_[end])->disconnect(connections_[end], connections_[1 - end]);
        for (v3_connection_point** connection : connections_)
            if (connection != nullptr)
                v3_cpp_obj_unref(connection);
        if (separateController_)
            v3_cpp_obj_terminate(controller_);
        v3_cpp_obj_unref(controller_);
        v3_cpp_obj_terminate(component_);
        v3_cpp_obj_unref(component_);
        v3_cpp_obj_unref(factory_);
        moduleExit_();
    }

    std::string displayName() override { return name_; }
    std::string classId() override { return {reinterpret_cast<const char*>(classId_), sizeof classId_}; }

    AudioLayout audioLayout() override
    {
        AudioLayout layout{};
        for (const v3_bus_info& bus : inputBuses_)
            (bus.bus_type == V3_AUX ? layout.sideChainInputs : layout.mainInputs) += bus.channel_count;
        for (const v3_bus_info& bus : outputBuses_)
            layout.outputs += bus.bus_type == V3_MAIN ? bus.channel_count : 0;
        return layout;
    }

    int parameterCount() override { return static_cast<int>(parameters_.size()); }

    HostParameterInfo parameterInfo(int index) override
    {
        const v3_param_info& info = parameters_.at(static_cast<std::size_t>(index));
        return {narrow(info.title),
                toPlain(index, 0.0),
                toPlain(index, 1.0),
                toPlain(index, info.default_normalised_value),
                (info.flags & V3_PARAM_READ_ONLY) != 0,
                info.step_count > 0,
                "",
                (info.flags & V3_PARAM_IS_BYPASS) != 0,
                false};
    }

    std::string valueText(int index, double plainValue) override
    {
        v3_str_128 text{};
        const double normalized = toNormalized(index, plainValue);
        require(v3_cpp_obj(controller_)->get_parameter_string_for_value(controller_, id(index), normalized, text) ==
                    V3_OK,
                "VST3: get_parameter_string_for_value");
        return narrow(text);
    }

    std::optional<double> valueFromText(int index, const std::string& text) override
    {
        std::vector<int16_t> wide(text.begin(), text.end());
        wide.push_back(0);
        double normalized = 0.0;
        return v3_cpp_obj(controller_)->get_parameter_value_for_string(controller_, id(index), wide.data(),
                                                                      &normalized) == V3_OK
                   ? std::optional(toPlain(index, normalized))
                   : std::nullopt;
    }

    // IGainReductionInfo on the edit controller, as hosts ask for it.
    std::optional<double> hostGainReductionDb() override
    {
        static constexpr v3_tuid iid = V3_ID(0x8E3C292C, 0x95924F9D, 0xB2590B1E, 0x100E4198);
        struct GainReductionInfo
        {
            v3_funknown base;
            double(V3_API* get)(void* self);
        };
        GainReductionInfo** info = nullptr;
        if (v3_cpp_obj_query_interface(controller_, iid, &info) != V3_OK || info == nullptr)
            return std::nullopt;
        const double gainReductionDb = (*info)->get(info);
        (*info)->base.unref(info);
        return gainReductionDb;
    }

    int latencySamples() override { return static_cast<int>(v3_cpp_obj(processor_)->get_latency_samples(processor_)); }

    using HostedPlugin::queueParameterChange;
    float queueParameterChange(int index, double plainValue, int frameOffset) override
    {
        if (std::isnan(plainValue))
            return NAN; // no normalized value stands for it: nothing reaches the plug-in
        ParameterQueue& queue = *inputChanges_.queueFor(id(index));
        queue.add(frameOffset, toNormalized(index, plainValue));
        const double received = toPlain(index, queue.last());
        const bool bypass = (parameters_.at(static_cast<std::size_t>(index)).flags & V3_PARAM_IS_BYPASS) != 0;
        return static_cast<float>(bypass ? 1.0 - received : received);
    }

    bool process(std::span<float*> mainInputs, std::span<float*> sideChainInputs, std::span<float*> outputs,
                 int frames) override
    {
        v3_audio_bus_buffers buses[3]{};
        for (const auto& [bus, channels] : {std::pair{&buses[0], mainInputs}, {&buses[1], sideChainInputs},
                                            {&buses[2], outputs}})
        {
            bus->num_channels = static_cast<int32_t>(channels.size());
            bus->channel_buffers_32 = channels.data();
        }
        v3_process_data data{V3_REALTIME, V3_SAMPLE_32, frames, sideChainInputs.empty() ? 1 : 2, 1, buses, &buses[2],
                             inputChanges_.object(), outputChanges_.object(), nullptr, nullptr, nullptr};
        const v3_result result = inAudioCallback([&] { return v3_cpp_obj(processor_)->process(processor_, &data); });
        // The processor's reports (the meters) go on to the controller, as hosts hand them over.
        for (int32_t queue = 0; queue < outputChanges_.used; ++queue)
        {
            const ParameterQueue& changed = outputChanges_.queues[queue];
            outputValues_[changed.id] = changed.last();
            v3_cpp_obj(controller_)->set_parameter_normalised(controller_, changed.id, changed.last());
        }
        for (ParameterChanges* changes : {&inputChanges_, &outputChanges_})
        {
            for (int32_t queue = 0; queue < changes->used; ++queue)
                changes->queues[queue].points.clear();
            changes->used = 0;
        }
        return result == V3_OK;
    }

    // Meters as the processor last reported them, controls as the controller shows them.
    double parameterValue(int index) override
    {
        if ((parameters_.at(static_cast<std::size_t>(index)).flags & V3_PARAM_READ_ONLY) != 0)
            return toPlain(index, outputValues_.at(id(index)));
        // A separate controller learns the component's values from its state, as hosts hand it over.
        if (separateController_)
        {
            MemoryStream state;
            require(v3_cpp_obj(component_)->get_state(component_, state.object()) == V3_OK &&
                        v3_cpp_obj(controller_)->set_component_state(controller_, state.object()) == V3_OK,
                    "VST3: handing the component's state to the controller failed");
        }
        return toPlain(index, v3_cpp_obj(controller_)->get_parameter_normalised(controller_, id(index)));
    }

    std::optional<std::vector<char>> saveState() override
    {
        MemoryStream state;
        state.pieceBytes = statePieceBytes;
        if (v3_cpp_obj(component_)->get_state(component_, state.object()) != V3_OK)
            return std::nullopt;
        return state.bytes;
    }

    bool loadState(const std::vector<char>& bytes) override
    {
        MemoryStream state{&MemoryStream::kTable, bytes, 0, statePieceBytes};
        return v3_cpp_obj(component_)->set_state(component_, state.object()) == V3_OK;
    }

    void openEditor(const std::function<uintptr_t(uint32_t width, uint32_t height)>& makeParent) override
    {
#if defined(_WIN32)
        const char* const platform = V3_VIEW_PLATFORM_TYPE_HWND;
#else
        const char* const platform = V3_VIEW_PLATFORM_TYPE_X11;
#endif
        handler_.edit = [this](EditorEvent::Kind kind, v3_param_id id, double normalized) {
            const auto found = std::ranges::find(parameters_, id, &v3_param_info::param_id);
            if (found == parameters_.end() || (found->flags & V3_PARAM_READ_ONLY) != 0)
                return;
            const int index = static_cast<int>(found - parameters_.begin());
            if (kind == EditorEvent::Value)
                inputChanges_.queueFor(id)->add(0, normalized);
            if (onEditorEvent)
                onEditorEvent({kind, index, kind == EditorEvent::Value ? toPlain(index, normalized) : 0.0});
        };
        v3_cpp_obj(controller_)->set_component_handler(controller_, reinterpret_cast<v3_component_handler**>(&handler_));
        frame_.plugin = this;
        view_ = v3_cpp_obj(controller_)->create_view(controller_, "editor");
        v3_view_rect size{};
        require(view_ != nullptr && v3_cpp_obj(view_)->is_platform_type_supported(view_, platform) == V3_OK &&
                    v3_cpp_obj(view_)->set_frame(view_, reinterpret_cast<v3_plugin_frame**>(&frame_)) == V3_OK &&
                    v3_cpp_obj(view_)->get_size(view_, &size) == V3_OK,
                "VST3: cannot create the interface");
        const uintptr_t parent = makeParent(static_cast<uint32_t>(size.right - size.left),
                                            static_cast<uint32_t>(size.bottom - size.top));
        require(v3_cpp_obj(view_)->attached(view_, reinterpret_cast<void*>(parent), platform) == V3_OK,
                "VST3: cannot attach the interface");
    }

    // The view's timers and file handlers; the meters as the processor last reported them.
    void idleEditor() override
    {
        frame_.runLoop.run();
        for (const v3_param_info& info : parameters_)
            if ((info.flags & V3_PARAM_READ_ONLY) != 0)
                v3_cpp_obj(controller_)->set_parameter_normalised(controller_, info.param_id,
                                                                  outputValues_.at(info.param_id));
    }

private:
    v3_funknown** context() { return reinterpret_cast<v3_funknown**>(&hostApplication_); }
    v3_param_id id(int index) const { return parameters_.at(static_cast<std::size_t>(index)).param_id; }
    double toPlain(int index, double normalized)
    {
        return v3_cpp_obj(controller_)->normalised_parameter_to_plain(controller_, id(index), normalized);
    }
    double toNormalized(int index, double plain)
    {
        return v3_cpp_obj(controller_)->plain_parameter_to_normalised(controller_, id(index), plain);
    }

    // Every audio bus active, in the arrangement the plug-in proposes.
    void setUpBuses()
    {
        std::vector<v3_speaker_arrangement> arrangements[2];
        v3_component* const component = v3_cpp_obj(component_);
        for (const int32_t direction : {V3_INPUT, V3_OUTPUT})
        {
            auto& buses = direction == V3_INPUT ? inputBuses_ : outputBuses_;
            for (int32_t bus = 0; bus < component->get_bus_count(component_, V3_AUDIO, direction); ++bus)
            {
                v3_bus_info info{};
                v3_speaker_arrangement arrangement = 0;
                require(component->get_bus_info(component_, V3_AUDIO, direction, bus, &info) == V3_OK &&
                            component->activate_bus(component_, V3_AUDIO, direction, bus, true) == V3_OK &&
                            v3_cpp_obj(processor_)->get_bus_arrangement(processor_, direction, bus, &arrangement) ==
                                V3_OK,
                        "VST3: audio bus " + std::to_string(bus));
                buses.push_back(info);
                arrangements[direction].push_back(arrangement);
            }
        }
        require(v3_cpp_obj(processor_)->set_bus_arrangements(
                    processor_, arrangements[0].data(), static_cast<int32_t>(arrangements[0].size()),
                    arrangements[1].data(), static_cast<int32_t>(arrangements[1].size())) == V3_OK,
                "VST3: set_bus_arrangements failed");
    }

    SharedLibrary library_;
    bool (*moduleExit_)() = nullptr;
    HostApplication hostApplication_;
    ComponentHandler handler_;
    PlugFrame frame_;
    v3_connection_point** connections_[2]{}; // the component's and the controller's
    v3_plugin_view** view_ = nullptr;
    v3_plugin_factory** factory_ = nullptr;
    v3_component** component_ = nullptr;
    v3_edit_controller** controller_ = nullptr;
    v3_audio_processor** processor_ = nullptr;
    bool separateController_ = false;
    v3_tuid classId_{};
    std::string name_;
    std::vector<v3_param_info> parameters_;
    std::vector<v3_bus_info> inputBuses_, outputBuses_;
    ParameterChanges inputChanges_, outputChanges_;
    std::map<v3_param_id, double> outputValues_; // normalized
    int maxFrames_ = 0;
};

} // namespace

std::unique_ptr<HostedPlugin> loadVst3Plugin(const std::string& path, double sampleRate, int maxFrames)
{
    return std::make_unique<Vst3Plugin>(path, sampleRate, maxFrames);
}

} // namespace corvex::plugin_hosts
