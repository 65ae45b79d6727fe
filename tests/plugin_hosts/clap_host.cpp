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

namespace corvex::plugin_hosts
{
namespace
{

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
    return std::strcmp(id, CLAP_EXT_PARAMS) == 0 ? &kHostParams : nullptr;
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
            params_->get_value(plugin_, info(index).id, &outputValues_[info(index).id]);
        silentBuffer_.resize(static_cast<std::size_t>(maxFrames));
        silence_.assign(static_cast<std::size_t>(audioLayout().sideChainInputs), silentBuffer_.data());
    }

    ~ClapPlugin() override
    {
        plugin_->stop_processing(plugin_);
        plugin_->deactivate(plugin_);
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
        return {param.name, param.min_value, param.max_value, param.default_value,
                (param.flags & CLAP_PARAM_IS_READONLY) != 0, (param.flags & CLAP_PARAM_IS_STEPPED) != 0, ""};
    }

    std::string valueText(int index, double plainValue) override
    {
        char text[CLAP_NAME_SIZE] = {};
        require(params_->value_to_text(plugin_, info(index).id, plainValue, text, sizeof text), "CLAP: value_to_text");
        return text;
    }

    int latencySamples() override { return latency_ != nullptr ? static_cast<int>(latency_->get(plugin_)) : -1; }

    float queueParameterChange(int index, double plainValue) override
    {
        clap_event_param_value_t& event = inputEvents_.emplace_back();
        event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = info(index).id;
        event.note_id = event.port_index = event.channel = event.key = -1;
        event.value = plainValue;
        return static_cast<float>(plainValue);
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
        require(params_->get_info(plugin_, static_cast<uint32_t>(index), &param), "CLAP: parameter info");
        return param;
    }

    SharedLibrary library_;
    const clap_plugin_entry_t* entry_;
    const clap_host_t host_{CLAP_VERSION_INIT, nullptr, "Corvex test host", "Corvex", "", "1.0", hostExtension,
                            [](const clap_host_t*) {}, [](const clap_host_t*) {}, [](const clap_host_t*) {}};
    const clap_plugin_t* plugin_ = nullptr;
    const clap_plugin_params_t* params_ = nullptr;
    const clap_plugin_latency_t* latency_ = nullptr;
    const clap_plugin_state_t* state_ = nullptr;
    const clap_plugin_audio_ports_t* ports_ = nullptr;
    std::vector<clap_event_param_value_t> inputEvents_;
    const clap_input_events_t inputEventList_{this, inputEventCount, inputEvent};
    const clap_output_events_t outputEventList_{this, pushOutputEvent};
    std::map<clap_id, double> outputValues_;
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
