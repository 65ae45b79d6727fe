// A minimal CLAP host: loads a bundle, creates one plug-in with the host
// extensions it asks for (latency, params), activates it and runs blocks with
// parameter events in and out.
#include "tests/plugin_hosts/hosted_plugin.h"
#include "tests/plugin_hosts/shared_library.h"

#include "clap/entry.h"
#include "clap/ext/audio-ports.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/plugin-factory.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>

namespace corvex::plugin_hosts
{
namespace
{

void require(bool condition, const std::string& what)
{
    if (!condition)
        throw std::runtime_error("CLAP: " + what);
}

// The host's side of the extensions the plug-in needs. Each run activates the
// plug-in once, so a changed latency or a request to restart needs no answer.
const clap_host_latency_t kHostLatency{[](const clap_host_t*) {}};
const clap_host_params_t kHostParams{[](const clap_host_t*, clap_param_rescan_flags) {},
                                     [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
                                     [](const clap_host_t*) {}};

const void* CLAP_ABI hostExtension(const clap_host_t*, const char* id)
{
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0)
        return &kHostLatency;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0)
        return &kHostParams;
    return nullptr;
}

// A byte buffer as the plug-in's state stream, written whole and read back in pieces.
struct MemoryStream
{
    std::vector<char> bytes;
    std::size_t readPosition = 0;
    clap_ostream_t output{this, [](const clap_ostream_t* stream, const void* buffer, uint64_t size) -> int64_t {
                              auto& bytes = static_cast<MemoryStream*>(stream->ctx)->bytes;
                              bytes.insert(bytes.end(), static_cast<const char*>(buffer),
                                           static_cast<const char*>(buffer) + size);
                              return static_cast<int64_t>(size);
                          }};
    clap_istream_t input{this, [](const clap_istream_t* stream, void* buffer, uint64_t size) -> int64_t {
                             auto& self = *static_cast<MemoryStream*>(stream->ctx);
                             const auto count = std::min<std::size_t>(size, self.bytes.size() - self.readPosition);
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
        require(clap_version_is_compatible(entry_->clap_version), "incompatible entry version");
        require(entry_->init(path.c_str()), "entry init failed");
        const auto* factory = static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
        require(factory != nullptr, "no plug-in factory");
        for (uint32_t i = 0; i < factory->get_plugin_count(factory); ++i)
        {
            const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, i);
            if (std::strcmp(descriptor->id, pluginId.c_str()) == 0)
                name_ = descriptor->name;
        }
        require(!name_.empty(), "the factory lists no " + pluginId);
        plugin_ = factory->create_plugin(factory, &host_, pluginId.c_str());
        require(plugin_ != nullptr && plugin_->init(plugin_), "cannot create and initialise " + pluginId);
        params_ = static_cast<const clap_plugin_params_t*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
        latency_ = static_cast<const clap_plugin_latency_t*>(plugin_->get_extension(plugin_, CLAP_EXT_LATENCY));
        state_ = static_cast<const clap_plugin_state_t*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
        ports_ = static_cast<const clap_plugin_audio_ports_t*>(plugin_->get_extension(plugin_, CLAP_EXT_AUDIO_PORTS));
        require(params_ != nullptr && ports_ != nullptr, "no params or audio-ports extension");
        require(plugin_->activate(plugin_, sampleRate, 1, static_cast<uint32_t>(maxFrames)), "activate failed");
        require(plugin_->start_processing(plugin_), "start_processing failed");
        for (int index = 0; index < parameterCount(); ++index)
            params_->get_value(plugin_, info(index).id, &outputValues_[info(index).id]);
    }

    ~ClapPlugin() override
    {
        plugin_->stop_processing(plugin_);
        plugin_->deactivate(plugin_);
        plugin_->destroy(plugin_);
        entry_->deinit();
    }

    std::string displayName() override { return name_; }
    std::string classId() override { return plugin_->desc->id; }

    AudioLayout audioLayout() override
    {
        AudioLayout layout;
        for (const bool isInput : {true, false})
            for (uint32_t i = 0; i < ports_->count(plugin_, isInput); ++i)
            {
                clap_audio_port_info_t port{};
                require(ports_->get(plugin_, i, isInput, &port), "audio port info");
                const int channels = static_cast<int>(port.channel_count);
                const bool isMain = (port.flags & CLAP_AUDIO_PORT_IS_MAIN) != 0;
                (isInput ? (isMain ? layout.mainInputs : layout.sideChainInputs) : layout.outputs) += channels;
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
                (param.flags & CLAP_PARAM_IS_STEPPED) != 0};
    }

    std::string valueText(int index, double plainValue) override
    {
        char text[CLAP_NAME_SIZE] = {};
        require(params_->value_to_text(plugin_, info(index).id, plainValue, text, sizeof text), "value_to_text failed");
        return text;
    }

    int latencySamples() override { return latency_ != nullptr ? static_cast<int>(latency_->get(plugin_)) : -1; }

    float queueParameterChange(int index, double plainValue) override
    {
        clap_event_param_value_t event{};
        event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = info(index).id;
        event.note_id = -1;
        event.port_index = event.channel = event.key = -1;
        event.value = plainValue;
        inputEvents_.push_back(event);
        return static_cast<float>(plainValue);
    }

    bool process(std::vector<float*> mainInputs, std::vector<float*> sideChainInputs, std::vector<float*> outputs,
                 int frames) override
    {
        const clap_audio_buffer_t inputs[2] = {
            {mainInputs.data(), nullptr, static_cast<uint32_t>(mainInputs.size()), 0, 0},
            {sideChainInputs.data(), nullptr, static_cast<uint32_t>(sideChainInputs.size()), 0, 0}};
        clap_audio_buffer_t output{outputs.data(), nullptr, static_cast<uint32_t>(outputs.size()), 0, 0};
        const clap_process_t block{steadyTime_, static_cast<uint32_t>(frames), nullptr, inputs, &output,
                                   sideChainInputs.empty() ? 1u : 2u, 1, &inputEventList_, &outputEventList_};
        steadyTime_ += frames;
        const clap_process_status status = plugin_->process(plugin_, &block);
        inputEvents_.clear();
        return status != CLAP_PROCESS_ERROR;
    }

    double outputValue(int index) override { return outputValues_.at(info(index).id); }

    double parameterValue(int index) override
    {
        double value = 0.0;
        require(params_->get_value(plugin_, info(index).id, &value), "get_value failed");
        return value;
    }

    std::optional<std::vector<char>> saveState() override
    {
        MemoryStream stream;
        if (state_ == nullptr || !state_->save(plugin_, &stream.output))
            return std::nullopt;
        return stream.bytes;
    }

    bool loadState(const std::vector<char>& state) override
    {
        MemoryStream stream{state};
        return state_ != nullptr && state_->load(plugin_, &stream.input);
    }

private:
    // Parameter values queued for the next block, all at its first frame.
    static uint32_t CLAP_ABI inputEventCount(const clap_input_events_t* list)
    {
        return static_cast<uint32_t>(static_cast<ClapPlugin*>(list->ctx)->inputEvents_.size());
    }
    static const clap_event_header_t* CLAP_ABI inputEvent(const clap_input_events_t* list, uint32_t index)
    {
        return &static_cast<ClapPlugin*>(list->ctx)->inputEvents_.at(index).header;
    }
    // Values the plug-in reports for its output parameters (the meters).
    static bool CLAP_ABI pushOutputEvent(const clap_output_events_t* list, const clap_event_header_t* event)
    {
        if (event->type == CLAP_EVENT_PARAM_VALUE)
        {
            const auto* value = reinterpret_cast<const clap_event_param_value_t*>(event);
            static_cast<ClapPlugin*>(list->ctx)->outputValues_[value->param_id] = value->value;
        }
        return true;
    }

    clap_param_info_t info(int index)
    {
        clap_param_info_t param{};
        require(params_->get_info(plugin_, static_cast<uint32_t>(index), &param),
                "no parameter " + std::to_string(index));
        return param;
    }

    SharedLibrary library_;
    const clap_plugin_entry_t* entry_;
    const clap_host_t host_{CLAP_VERSION_INIT, nullptr, "Corvex test host", "Corvex", "", "1.0", hostExtension,
                            [](const clap_host_t*) {}, [](const clap_host_t*) {}, [](const clap_host_t*) {}};
    std::string name_;
    const clap_plugin_t* plugin_ = nullptr;
    const clap_plugin_params_t* params_ = nullptr;
    const clap_plugin_latency_t* latency_ = nullptr;
    const clap_plugin_state_t* state_ = nullptr;
    const clap_plugin_audio_ports_t* ports_ = nullptr;
    std::vector<clap_event_param_value_t> inputEvents_;
    const clap_input_events_t inputEventList_{this, inputEventCount, inputEvent};
    const clap_output_events_t outputEventList_{this, pushOutputEvent};
    std::map<clap_id, double> outputValues_;
    int64_t steadyTime_ = 0;
};

} // namespace

std::unique_ptr<HostedPlugin> loadClapPlugin(const std::string& path, const std::string& pluginId, double sampleRate,
                                             int maxFrames)
{
    return std::make_unique<ClapPlugin>(path, pluginId, sampleRate, maxFrames);
}

} // namespace corvex::plugin_hosts
