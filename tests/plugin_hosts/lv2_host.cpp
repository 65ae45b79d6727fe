// A minimal LV2 host on lilv: loads one bundle, instantiates the plug-in with
// the features it requires (a URID map, options with the block length, and a
// worker it never calls), connects every port to buffers of its own and runs
// blocks. The controls are port values the host holds, as LV2 hosts do, so
// they are also the state it stores. A change within a block splits the run
// at its frame, as Ardour splits its cycles at automation events.
#include "tests/plugin_hosts/hosted_plugin.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cmath>
#include <cstring>
#include <map>

namespace corvex::plugin_hosts
{
namespace
{

struct HostFeatures
{
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri)
    {
        auto& uris = *static_cast<std::map<std::string, LV2_URID>*>(handle);
        return uris.try_emplace(uri, static_cast<LV2_URID>(uris.size() + 1)).first->second;
    }
    std::map<std::string, LV2_URID> uris;
    LV2_URID_Map uridMap{&uris, &map};
    int maxBlockLength = 0;
    LV2_URID sequence = map(&uris, LV2_ATOM__Sequence), chunk = map(&uris, LV2_ATOM__Chunk);
    LV2_Options_Option options[2] = {{LV2_OPTIONS_INSTANCE, 0, map(&uris, LV2_BUF_SIZE__maxBlockLength), sizeof(int),
                                      map(&uris, LV2_ATOM__Int), &maxBlockLength},
                                     {}};
    LV2_Worker_Schedule worker{nullptr, [](LV2_Worker_Schedule_Handle, uint32_t, const void*) {
                                   return LV2_WORKER_ERR_UNKNOWN;
                               }};
    // Ardour's inline display: the plug-in asks for a new picture (from its run()).
    struct QueueDraw
    {
        void* handle;
        void (*queueDraw)(void* handle);
    } queueDraw{nullptr, [](void* handle) { ++*static_cast<int*>(handle); }};
    LV2_Feature mapFeature{LV2_URID__map, &uridMap}, optionsFeature{LV2_OPTIONS__options, options},
        workerFeature{LV2_WORKER__schedule, &worker},
        queueDrawFeature{"http://harrisonconsoles.com/lv2/inlinedisplay#queue_draw", &queueDraw};
    const LV2_Feature* features[5] = {&mapFeature, &optionsFeature, &workerFeature, &queueDrawFeature, nullptr};
};

// An atom sequence port's buffer: empty going in, room for the plug-in's events coming out.
struct alignas(8) EventBuffer
{
    LV2_Atom atom;
    LV2_Atom_Sequence_Body body;
    uint8_t room[4096];
};

class Lv2Plugin final : public HostedPlugin
{
public:
    Lv2Plugin(const std::string& path, const std::string& uri, double sampleRate, int maxFrames)
        : world_(lilv_world_new(), lilv_world_free)
    {
        LilvWorld* const world = world_.get();
        Node bundle(lilv_new_file_uri(world, nullptr, (path + "/").c_str()), lilv_node_free);
        lilv_world_load_bundle(world, bundle.get());
        plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node(uri.c_str()).get());
        require(plugin_ != nullptr, "LV2: the bundle holds no " + uri);

        const uint32_t count = lilv_plugin_get_num_ports(plugin_);
        values_.resize(count);
        lilv_plugin_get_port_ranges_float(plugin_, nullptr, nullptr, values_.data()); // controls at their defaults
        host_.maxBlockLength = maxFrames;
        host_.queueDraw.handle = &drawRequests;
        instance_ = lilv_plugin_instantiate(plugin_, sampleRate, host_.features);
        require(instance_ != nullptr, "LV2: cannot instantiate " + uri);
        for (uint32_t index = 0; index < count; ++index)
        {
            const LilvPort* const port = lilv_plugin_get_port_by_index(plugin_, index);
            const bool input = isA(port, LV2_CORE__InputPort);
            if (isA(port, LV2_CORE__AudioPort))
                (!input                                               ? outputPorts_
                 : hasProperty(port, LV2_CORE_PREFIX "isSideChain") ? sideChainPorts_
                                                                      : mainInputPorts_)
                    .push_back(index);
            else if (isA(port, LV2_ATOM__AtomPort))
                lilv_instance_connect_port(instance_, index, &events_[input ? 0 : 1]);
            else if (hasProperty(port, LV2_CORE__reportsLatency))
                lilv_instance_connect_port(instance_, *(latencyPort_ = index), &values_[index]);
            else
                lilv_instance_connect_port(instance_, controlPorts_.emplace_back(index), &values_[index]);
        }
        lilv_instance_activate(instance_);
        // A run without frames reports the latency and the meters, as hosts expect before the first block.
        std::vector<float*> none(std::max(mainInputPorts_.size(), outputPorts_.size()));
        process(none, {}, none, 0);
    }

    ~Lv2Plugin() override
    {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
    }

    std::string displayName() override { return text(lilv_plugin_get_name(plugin_)); }
    std::string classId() override { return lilv_node_as_uri(lilv_plugin_get_uri(plugin_)); }

    AudioLayout audioLayout() override
    {
        return {static_cast<int>(mainInputPorts_.size()), static_cast<int>(sideChainPorts_.size()),
                static_cast<int>(outputPorts_.size())};
    }

    int parameterCount() override { return static_cast<int>(controlPorts_.size()); }

    HostParameterInfo parameterInfo(int index) override
    {
        const LilvPort* const port = controlPort(index);
        LilvNode *defaultValue = nullptr, *minimum = nullptr, *maximum = nullptr;
        lilv_port_get_range(plugin_, port, &defaultValue, &minimum, &maximum);
        const auto value = [](LilvNode* owned) {
            const double result = owned != nullptr ? lilv_node_as_float(owned) : std::nan("");
            lilv_node_free(owned);
            return result;
        };
        LilvNodes* const designations = lilv_port_get_value(plugin_, port, node(LV2_CORE__designation).get());
        const bool enabled = lilv_nodes_contains(designations, node(LV2_CORE__enabled).get());
        lilv_nodes_free(designations);
        return {text(lilv_port_get_name(plugin_, port)),
                value(minimum),
                value(maximum),
                value(defaultValue),
                isA(port, LV2_CORE__OutputPort),
                hasProperty(port, LV2_CORE__integer),
                lilv_node_as_string(lilv_port_get_symbol(plugin_, port)),
                false,
                enabled};
    }

    // The label of the scale point at that value; continuous controls have none.
    std::string valueText(int index, double plainValue) override
    {
        const LilvPort* const port = controlPort(index);
        LilvScalePoints* const points = lilv_port_get_scale_points(plugin_, port);
        std::string label;
        LILV_FOREACH (scale_points, i, points)
        {
            const LilvScalePoint* const point = lilv_scale_points_get(points, i);
            if (lilv_node_as_float(lilv_scale_point_get_value(point)) == plainValue)
                label = lilv_node_as_string(lilv_scale_point_get_label(point));
        }
        lilv_scale_points_free(points);
        return label;
    }

    std::optional<Picture> renderInlineDisplay(int width, int maxHeight) override
    {
        struct Surface
        {
            unsigned char* data;
            int width, height, stride;
        };
        struct Interface
        {
            Surface* (*render)(LV2_Handle, uint32_t, uint32_t);
        };
        const auto* display = static_cast<const Interface*>(
            lilv_instance_get_extension_data(instance_, "http://harrisonconsoles.com/lv2/inlinedisplay#interface"));
        const Surface* surface = display != nullptr ? display->render(lilv_instance_get_handle(instance_),
                                                                      static_cast<uint32_t>(width),
                                                                      static_cast<uint32_t>(maxHeight))
                                                    : nullptr;
        if (surface == nullptr)
            return std::nullopt;
        Picture picture{surface->width, surface->height, {}};
        for (int y = 0; y < surface->height; ++y)
        {
            const auto* row = reinterpret_cast<const std::uint32_t*>(surface->data + y * surface->stride);
            picture.pixels.insert(picture.pixels.end(), row, row + surface->width);
        }
        return picture;
    }

    // LV2 hosts know only the scale points' labels.
    std::optional<double> valueFromText(int index, const std::string& text) override
    {
        LilvScalePoints* const points = lilv_port_get_scale_points(plugin_, controlPort(index));
        std::optional<double> value;
        LILV_FOREACH (scale_points, i, points)
        {
            const LilvScalePoint* const point = lilv_scale_points_get(points, i);
            if (text == lilv_node_as_string(lilv_scale_point_get_label(point)))
                value = lilv_node_as_float(lilv_scale_point_get_value(point));
        }
        lilv_scale_points_free(points);
        return value;
    }

    int latencySamples() override { return latencyPort_ ? static_cast<int>(values_[*latencyPort_]) : -1; }

    using HostedPlugin::queueParameterChange;
    float queueParameterChange(int index, double plainValue, int frameOffset) override
    {
        if (frameOffset == 0)
            return controlValue(index) = static_cast<float>(plainValue);
        pendingChanges_.push_back({frameOffset, index, static_cast<float>(plainValue)});
        return static_cast<float>(plainValue);
    }

    bool process(std::span<float*> mainInputs, std::span<float*> sideChainInputs, std::span<float*> outputs,
                 int frames) override
    {
        std::size_t next = 0;
        for (int done = 0; done < frames || (frames == 0 && done == 0);)
        {
            for (; next < pendingChanges_.size() && pendingChanges_[next].frameOffset <= done; ++next)
                controlValue(pendingChanges_[next].index) = pendingChanges_[next].plainValue;
            const int end = next < pendingChanges_.size() ? std::min(pendingChanges_[next].frameOffset, frames) : frames;
            for (std::size_t c = 0; c < mainInputPorts_.size(); ++c)
            {
                lilv_instance_connect_port(instance_, mainInputPorts_[c], mainInputs[c] + done);
                lilv_instance_connect_port(instance_, sideChainPorts_[c],
                                           sideChainInputs.empty() ? nullptr : sideChainInputs[c] + done);
                lilv_instance_connect_port(instance_, outputPorts_[c], outputs[c] + done);
            }
            events_[0].atom = {sizeof(LV2_Atom_Sequence_Body), host_.sequence};
            events_[1].atom = {sizeof(EventBuffer) - sizeof(LV2_Atom), host_.chunk};
            inAudioCallback([&] {
                lilv_instance_run(instance_, static_cast<uint32_t>(end - done));
                return true;
            });
            if (frames == 0)
                break;
            done = end;
        }
        for (; next < pendingChanges_.size(); ++next) // at or past the block's end: before the next one
            controlValue(pendingChanges_[next].index) = pendingChanges_[next].plainValue;
        pendingChanges_.clear();
        return true;
    }

    double parameterValue(int index) override { return controlValue(index); }

    std::optional<std::vector<char>> saveState() override
    {
        std::vector<char> state(controlPorts_.size() * sizeof(float));
        for (std::size_t i = 0; i < controlPorts_.size(); ++i)
            std::memcpy(&state[i * sizeof(float)], &values_[controlPorts_[i]], sizeof(float));
        return state;
    }

    bool loadState(const std::vector<char>& state) override
    {
        if (state.size() != controlPorts_.size() * sizeof(float))
            return false;
        for (std::size_t i = 0; i < controlPorts_.size(); ++i)
            std::memcpy(&values_[controlPorts_[i]], &state[i * sizeof(float)], sizeof(float));
        return true;
    }

private:
    const LilvPort* controlPort(int index) { return lilv_plugin_get_port_by_index(plugin_, controlPorts_.at(index)); }
    float& controlValue(int index) { return values_[controlPorts_.at(static_cast<std::size_t>(index))]; }
    using Node = std::unique_ptr<LilvNode, void (*)(LilvNode*)>;
    Node node(const char* uri) { return {lilv_new_uri(world_.get(), uri), lilv_node_free}; }
    bool isA(const LilvPort* port, const char* type) { return lilv_port_is_a(plugin_, port, node(type).get()); }
    bool hasProperty(const LilvPort* port, const char* property)
    {
        return lilv_port_has_property(plugin_, port, node(property).get());
    }
    // The text of a node that lilv hands over to the caller.
    static std::string text(LilvNode* owned)
    {
        const std::string result = lilv_node_as_string(owned);
        lilv_node_free(owned);
        return result;
    }

    std::unique_ptr<LilvWorld, void (*)(LilvWorld*)> world_;
    HostFeatures host_;
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    std::vector<float> values_; // per port: the control ports' buffers
    std::vector<uint32_t> mainInputPorts_, sideChainPorts_, outputPorts_, controlPorts_;
    std::optional<uint32_t> latencyPort_;
    EventBuffer events_[2] = {}; // in, out
    struct PendingChange
    {
        int frameOffset, index;
        float plainValue;
    };
    std::vector<PendingChange> pendingChanges_; // within the next block, in the order of their frames
};

} // namespace

std::unique_ptr<HostedPlugin> loadLv2Plugin(const std::string& path, const std::string& uri, double sampleRate,
                                            int maxFrames)
{
    return std::make_unique<Lv2Plugin>(path, uri, sampleRate, maxFrames);
}

} // namespace corvex::plugin_hosts
