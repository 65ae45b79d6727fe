// The VST3 side of the interface probe, on the C ABI: the edit controller's
// view embedded in the host window. The host application makes the messages
// the view and the controller exchange; the plug frame resizes the window and,
// on Linux, leads to the run loop whose timers and file handlers the probe's
// loop calls. Edits reach the host through the component handler.
#include "gui_probe.h"

#include "travesty/audio_processor.h"
#include "travesty/component.h"
#include "travesty/edit_controller.h"
#include "travesty/factory.h"
#include "travesty/host.h"
#include "travesty/message.h"
#include "travesty/view.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#ifndef _WIN32
#include <poll.h>
#endif

namespace corvex::plugin_ui
{
namespace
{

// Windows' result codes do not fit the signed type as enumerators: converted explicitly.
constexpr v3_result kOk = V3_OK;
constexpr v3_result kInvalid = static_cast<v3_result>(V3_INVALID_ARG);

// The function table of a host object: the object starts with a pointer to it.
template <typename Interface>
struct Table : v3_funknown
{
    Interface methods;
};

// The host's objects live as long as the plug-in, except messages: no reference counts.
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
             const char text[] = "corvex gui probe";
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

// The parameter changes of one block, one value per parameter, either way: the
// interface's edits into the processor, and the processor's reports (the
// meters among them) out to the controller.
struct ParameterChanges
{
    struct Queue
    {
        const Table<v3_param_value_queue>* table;
        v3_param_id id;
        double value;
    };
    static const Table<v3_param_value_queue> kQueueTable;
    static const Table<v3_param_changes> kTable;
    const Table<v3_param_changes>* table = &kTable;
    std::deque<Queue> queues; // a deque keeps the queues in place as it grows

    int32_t indexOf(v3_param_id id)
    {
        const auto found = std::ranges::find(queues, id, &Queue::id);
        if (found == queues.end())
            queues.push_back({&kQueueTable, id, 0.0});
        return static_cast<int32_t>(found == queues.end() ? queues.size() - 1 : found - queues.begin());
    }
};

const Table<v3_param_value_queue> ParameterChanges::kQueueTable{
    {query<v3_param_value_queue_iid>, keepAlive, keepAlive},
    {[](void* self) { return static_cast<Queue*>(self)->id; }, [](void*) { return int32_t{1}; },
     [](void* self, int32_t, int32_t* offset, double* value) {
         return *offset = 0, *value = static_cast<Queue*>(self)->value, kOk;
     },
     [](void* self, int32_t, double value, int32_t* index) {
         return static_cast<Queue*>(self)->value = value, *index = 0, kOk;
     }}};

const Table<v3_param_changes> ParameterChanges::kTable{
    {query<v3_param_changes_iid>, keepAlive, keepAlive},
    {[](void* self) { return static_cast<int32_t>(static_cast<ParameterChanges*>(self)->queues.size()); },
     [](void* self, int32_t index) {
         auto& queue = static_cast<ParameterChanges*>(self)->queues.at(static_cast<std::size_t>(index));
         return reinterpret_cast<v3_param_value_queue**>(&queue);
     },
     [](void* self, v3_param_id* id, int32_t* index) {
         auto& changes = *static_cast<ParameterChanges*>(self);
         *index = changes.indexOf(*id);
         return reinterpret_cast<v3_param_value_queue**>(&changes.queues[static_cast<std::size_t>(*index)]);
     }}};

// Edits from the interface, printed with the plug-in's own parameter indexes
// (the framework's hidden parameters come before them) and passed on to the
// processor with the next block.
struct ComponentHandler
{
    static const Table<v3_component_handler> kTable;
    const Table<v3_component_handler>* table = &kTable;
    v3_edit_controller** controller = nullptr;
    v3_param_id firstId = 0;
    ParameterChanges edits;
};

const Table<v3_component_handler> ComponentHandler::kTable{
    {query<v3_component_handler_iid>, keepAlive, keepAlive},
    {[](void* self, v3_param_id id) { return printGesture(id - static_cast<ComponentHandler*>(self)->firstId, true), kOk; },
     [](void* self, v3_param_id id, double normalized) {
         auto& handler = *static_cast<ComponentHandler*>(self);
         handler.edits.queues[static_cast<std::size_t>(handler.edits.indexOf(id))].value = normalized;
         const double plain = v3_cpp_obj(handler.controller)->normalised_parameter_to_plain(handler.controller, id, normalized);
         return printValue(id - handler.firstId, plain), kOk;
     },
     [](void* self, v3_param_id id) { return printGesture(id - static_cast<ComponentHandler*>(self)->firstId, false), kOk; },
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
    HostWindow* window = nullptr;
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
        static_cast<PlugFrame*>(self)->window->resize(rect->right - rect->left, rect->bottom - rect->top);
        return v3_cpp_obj(view)->on_size(view, rect);
    }}};

class Vst3Plugin final : public ProbedPlugin
{
public:
    explicit Vst3Plugin(const char* path) : library_(loadLibrary(path))
    {
#ifdef _WIN32
        require(reinterpret_cast<bool (*)()>(librarySymbol(library_, "InitDll"))(), "InitDll failed");
        moduleExit_ = reinterpret_cast<bool (*)()>(librarySymbol(library_, "ExitDll"));
        const char* platform = V3_VIEW_PLATFORM_TYPE_HWND;
#else
        require(reinterpret_cast<bool (*)(void*)>(librarySymbol(library_, "ModuleEntry"))(library_), "ModuleEntry failed");
        moduleExit_ = reinterpret_cast<bool (*)()>(librarySymbol(library_, "ModuleExit"));
        const char* platform = V3_VIEW_PLATFORM_TYPE_X11;
#endif
        factory_ = static_cast<v3_plugin_factory**>(reinterpret_cast<void* (*)()>(librarySymbol(library_, "GetPluginFactory"))());
        v3_class_info info{};
        for (int32_t i = 0; i < v3_cpp_obj(factory_)->num_classes(factory_) && std::strcmp(info.category, "Audio Module Class"); ++i)
            v3_cpp_obj(factory_)->get_class_info(factory_, i, &info);
        require(!std::strcmp(info.category, "Audio Module Class") &&
                    v3_cpp_obj(factory_)->create_instance(factory_, info.class_id, v3_component_iid,
                                                          reinterpret_cast<void**>(&component_)) == V3_OK &&
                    v3_cpp_obj_initialize(component_, reinterpret_cast<v3_funknown**>(&hostApplication_)) == V3_OK,
                "cannot create the component");
        // The edit controller is an object of its own, connected to the component for their messages.
        v3_tuid controllerId{};
        require(v3_cpp_obj(component_)->get_controller_class_id(component_, controllerId) == V3_OK &&
                    v3_cpp_obj(factory_)->create_instance(factory_, controllerId, v3_edit_controller_iid,
                                                          reinterpret_cast<void**>(&controller_)) == V3_OK &&
                    v3_cpp_obj_initialize(controller_, reinterpret_cast<v3_funknown**>(&hostApplication_)) == V3_OK &&
                    v3_cpp_obj_query_interface(component_, v3_audio_processor_iid, &processor_) == V3_OK,
                "no edit controller or audio processor");
        if (v3_cpp_obj_query_interface(component_, v3_connection_point_iid, &connections_[0]) == V3_OK &&
            v3_cpp_obj_query_interface(controller_, v3_connection_point_iid, &connections_[1]) == V3_OK)
            for (const int end : {0, 1})
                v3_cpp_obj(connections_[end])->connect(connections_[end], connections_[1 - end]);
        handler_.controller = controller_;
        v3_cpp_obj(controller_)->set_component_handler(controller_, reinterpret_cast<v3_component_handler**>(&handler_));
        for (int32_t i = 0; i < v3_cpp_obj(controller_)->get_parameter_count(controller_); ++i)
        {
            v3_param_info parameter{};
            v3_cpp_obj(controller_)->get_parameter_info(controller_, i, &parameter);
            if ((parameter.flags & V3_PARAM_IS_HIDDEN) == 0)
            {
                handler_.firstId = parameter.param_id;
                break;
            }
        }

        for (const int32_t direction : {V3_INPUT, V3_OUTPUT})
            for (int32_t bus = 0; bus < v3_cpp_obj(component_)->get_bus_count(component_, V3_AUDIO, direction); ++bus)
            {
                v3_bus_info busInfo{};
                v3_cpp_obj(component_)->get_bus_info(component_, V3_AUDIO, direction, bus, &busInfo);
                v3_cpp_obj(component_)->activate_bus(component_, V3_AUDIO, direction, bus, true);
                (direction == V3_INPUT ? inputs : outputs).emplace_back(busInfo.channel_count);
            }
        for (auto [buses, buffers] : {std::pair{&inputs, &inputBuffers_}, {&outputs, &outputBuffers_}})
            for (Bus& bus : *buses)
                buffers->push_back({static_cast<int32_t>(bus.pointers.size()), 0, {bus.pointers.data()}});
        v3_process_setup setup{V3_REALTIME, V3_SAMPLE_32, static_cast<int32_t>(kBlockFrames), kSampleRate};
        require(v3_cpp_obj(processor_)->setup_processing(processor_, &setup) == V3_OK &&
                    v3_cpp_obj(component_)->set_active(component_, true) == V3_OK &&
                    v3_cpp_obj(processor_)->set_processing(processor_, true) == V3_OK,
                "cannot start processing");

        view_ = v3_cpp_obj(controller_)->create_view(controller_, "editor");
        v3_view_rect size{};
        require(view_ != nullptr && v3_cpp_obj(view_)->is_platform_type_supported(view_, platform) == V3_OK &&
                    v3_cpp_obj(view_)->set_frame(view_, reinterpret_cast<v3_plugin_frame**>(&frame_)) == V3_OK &&
                    v3_cpp_obj(view_)->get_size(view_, &size) == V3_OK,
                "cannot create the interface");
        window = std::make_unique<HostWindow>(info.name, size.right - size.left, size.bottom - size.top);
        frame_.window = window.get();
        require(v3_cpp_obj(view_)->attached(view_, reinterpret_cast<void*>(window->handle()), platform) == V3_OK,
                "cannot attach the interface");
    }

    ~Vst3Plugin() override
    {
        v3_cpp_obj(view_)->removed(view_);
        v3_cpp_obj_unref(view_);
        v3_cpp_obj(processor_)->set_processing(processor_, false);
        v3_cpp_obj(component_)->set_active(component_, false);
        v3_cpp_obj_unref(processor_);
        v3_cpp_obj(controller_)->set_component_handler(controller_, nullptr);
        for (const int end : {0, 1})
            if (connections_[1] != nullptr)
                v3_cpp_obj(connections_[end])->disconnect(connections_[end], connections_[1 - end]);
        for (v3_connection_point** connection : connections_)
            if (connection != nullptr)
                v3_cpp_obj_unref(connection);
        v3_cpp_obj_terminate(controller_);
        v3_cpp_obj_unref(controller_);
        v3_cpp_obj_terminate(component_);
        v3_cpp_obj_unref(component_);
        v3_cpp_obj_unref(factory_);
        moduleExit_();
    }

    void process() override
    {
        v3_process_data data{V3_REALTIME, V3_SAMPLE_32, static_cast<int32_t>(kBlockFrames),
                             static_cast<int32_t>(inputBuffers_.size()), static_cast<int32_t>(outputBuffers_.size()),
                             inputBuffers_.data(), outputBuffers_.data(),
                             reinterpret_cast<v3_param_changes**>(&handler_.edits),
                             reinterpret_cast<v3_param_changes**>(&reports_), nullptr, nullptr, nullptr};
        v3_cpp_obj(processor_)->process(processor_, &data);
        handler_.edits.queues.clear();
        for (const ParameterChanges::Queue& report : reports_.queues)
            v3_cpp_obj(controller_)->set_parameter_normalised(controller_, report.id, report.value);
        reports_.queues.clear();
    }

    void idle() override { frame_.runLoop.run(); }

private:
    void* library_;
    bool (*moduleExit_)() = nullptr;
    HostApplication hostApplication_;
    ComponentHandler handler_;
    PlugFrame frame_;
    ParameterChanges reports_;
    v3_plugin_factory** factory_ = nullptr;
    v3_component** component_ = nullptr;
    v3_edit_controller** controller_ = nullptr;
    v3_audio_processor** processor_ = nullptr;
    v3_connection_point** connections_[2]{}; // the component's and the controller's
    v3_plugin_view** view_ = nullptr;
    std::vector<v3_audio_bus_buffers> inputBuffers_, outputBuffers_;
};

} // namespace

std::unique_ptr<ProbedPlugin> openVst3Plugin(const char* path)
{
    return std::make_unique<Vst3Plugin>(path);
}

} // namespace corvex::plugin_ui
