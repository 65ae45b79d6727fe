// Compressor plug-ins side by side through one LV2 host (lilv), interleaved.
//
//   LV2_PATH=build/bin:/usr/lib/lv2 corvex_peer_compare [rounds]
//
// Every plug-in below that is installed runs at 48 kHz in blocks of 32 frames
// on the same stereo (or mono) stream, with settings that make it compress.
// Each round runs every plug-in once, in an order that rotates every round;
// the program prints each plug-in's median ns per frame (a frame is one sample
// on every channel) and its ratio to the stereo Corvex plug-in.
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace
{

constexpr double kSampleRate = 48000.0;
constexpr std::uint32_t kBlockFrames = 32;
constexpr int kRoundFrames = 4800;
constexpr std::size_t kAtomCapacity = 8192;

struct Peer
{
    const char* label;
    const char* uri;
    int channels;
    std::vector<std::pair<const char*, float>> settings; // port symbol, value
};

// Settings that make each plug-in compress the stream below (peak about -4 dBFS).
const std::vector<Peer> kPeers = {
    {"Corvex stereo, all side-chain features", "urn:corvex:lv2:stereo", 2,
     {{"input_gain", -14.4f}, {"sc_eq_on", 1.0f}, {"sc_eq_hpf_on", 1.0f}, {"sc_eq_lpf_on", 1.0f},
      {"sc_eq_bell_gain", 7.2f}, {"sc_time_warp", 7.0f}, {"sc_detection_mode", 2.0f}, {"dry_wet", 70.0f},
      {"gr_range", 30.0f}}},
    {"Corvex stereo", "urn:corvex:lv2:stereo", 2, {{"input_gain", -14.4f}}},
    {"Corvex mono", "urn:corvex:lv2:mono", 1, {{"input_gain", -14.4f}}},
    {"Corvex stereo, effect off", "urn:corvex:lv2:stereo", 2, {{"enable_effect", 0.0f}}},
    {"LSP compressor stereo, feedback, look-ahead, SC filters, dry/wet", "http://lsp-plug.in/plugins/lv2/compressor_stereo",
     2, {{"sct", 1.0f}, {"al", 0.1f}, {"cr", 4.0f}, {"sla", 5.0f}, {"shpm", 1.0f}, {"slpm", 1.0f}, {"cdr", 0.3f},
         {"cwt", 0.7f}}},
    {"LSP compressor stereo, feedback", "http://lsp-plug.in/plugins/lv2/compressor_stereo", 2,
     {{"sct", 1.0f}, {"al", 0.1f}, {"cr", 4.0f}}},
    {"LSP compressor stereo, feed-forward", "http://lsp-plug.in/plugins/lv2/compressor_stereo", 2,
     {{"al", 0.1f}, {"cr", 4.0f}}},
    {"Calf Compressor", "http://calf.sourceforge.net/plugins/Compressor", 2, {{"threshold", 0.1f}, {"ratio", 4.0f}}},
    {"x42 darc stereo", "http://gareus.org/oss/lv2/darc#stereo", 2, {{"threshold", -20.0f}, {"Ratio", 0.5f}}},
    {"ZamCompX2", "urn:zamaudio:ZamCompX2", 2, {{"thr", -20.0f}, {"rat", 4.0f}}},
};

// The URID map the plug-ins require, as a table of strings.
std::vector<std::string> uridTable;

LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri)
{
    for (std::size_t i = 0; i < uridTable.size(); ++i)
        if (uridTable[i] == uri)
            return static_cast<LV2_URID>(i + 1);
    uridTable.emplace_back(uri);
    return static_cast<LV2_URID>(uridTable.size());
}

const char* unmapUri(LV2_URID_Unmap_Handle, LV2_URID urid)
{
    return urid >= 1 && urid <= uridTable.size() ? uridTable[urid - 1].c_str() : nullptr;
}

struct Stream
{
    std::vector<float> channel[2];

    Stream()
    {
        std::uint32_t state = 12345u;
        for (int c = 0; c < 2; ++c)
        {
            const int period = static_cast<int>(kSampleRate) / (110 * (c + 1));
            channel[c].resize(static_cast<std::size_t>(kSampleRate));
            for (std::size_t i = 0; i < channel[c].size(); ++i)
            {
                state = state * 1664525u + 1013904223u;
                const double phase = static_cast<double>(static_cast<int>(i) % period) / period;
                const double wave = 0.6 * (phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase);
                const double hiss = 0.3 * (static_cast<double>(state >> 8) / 8388608.0 - 1.0);
                channel[c][i] = static_cast<float>(wave + hiss * static_cast<double>((i / 2000) % 2));
            }
        }
    }
};

struct Instance
{
    const Peer* peer = nullptr;
    LilvInstance* instance = nullptr;
    std::vector<float> controls;
    std::vector<int> audioInputs;
    std::vector<int> audioOutputs;
    float in[2][kBlockFrames] = {};
    float out[4][kBlockFrames] = {};
    float silence[kBlockFrames] = {};
    float scratch[64][kBlockFrames] = {};
    alignas(8) std::uint8_t atomIn[kAtomCapacity] = {};
    alignas(8) std::uint8_t atomOut[kAtomCapacity] = {};
    std::size_t position = 0;
    std::vector<double> nsPerFrame;
};

bool instantiate(LilvWorld* world, const LilvPlugins* plugins, const Peer& peer, const LV2_Feature* const* features,
                 LV2_URID sequenceType, Instance& slot)
{
    LilvNode* uri = lilv_new_uri(world, peer.uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(plugins, uri);
    lilv_node_free(uri);
    if (plugin == nullptr)
        return false;
    slot.peer = &peer;
    slot.instance = lilv_plugin_instantiate(plugin, kSampleRate, features);
    if (slot.instance == nullptr)
        return false;

    LilvNode* audio = lilv_new_uri(world, LILV_URI_AUDIO_PORT);
    LilvNode* control = lilv_new_uri(world, LILV_URI_CONTROL_PORT);
    LilvNode* input = lilv_new_uri(world, LILV_URI_INPUT_PORT);
    LilvNode* atom = lilv_new_uri(world, LV2_ATOM__AtomPort);
    const std::uint32_t numPorts = lilv_plugin_get_num_ports(plugin);
    slot.controls.assign(numPorts, 0.0f);
    std::vector<float> defaults(numPorts, 0.0f);
    std::vector<float> minimums(numPorts, 0.0f);
    std::vector<float> maximums(numPorts, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, minimums.data(), maximums.data(), defaults.data());
    int scratchUsed = 0;
    for (std::uint32_t p = 0; p < numPorts; ++p)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
        const bool isInput = lilv_port_is_a(plugin, port, input);
        if (lilv_port_is_a(plugin, port, audio))
        {
            if (isInput)
            {
                const int k = static_cast<int>(slot.audioInputs.size());
                slot.audioInputs.push_back(static_cast<int>(p));
                lilv_instance_connect_port(slot.instance, p, k < peer.channels ? slot.in[k] : slot.silence);
            }
            else
            {
                const int k = static_cast<int>(slot.audioOutputs.size());
                slot.audioOutputs.push_back(static_cast<int>(p));
                lilv_instance_connect_port(slot.instance, p, k < 4 ? slot.out[k] : slot.scratch[scratchUsed++]);
            }
        }
        else if (lilv_port_is_a(plugin, port, control))
        {
            float value = std::isnan(defaults[p]) ? (std::isnan(minimums[p]) ? 0.0f : minimums[p]) : defaults[p];
            const char* symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
            for (const auto& [name, setting] : peer.settings)
                if (isInput && std::strcmp(name, symbol) == 0)
                    value = setting;
            slot.controls[p] = value;
            lilv_instance_connect_port(slot.instance, p, &slot.controls[p]);
        }
        else if (lilv_port_is_a(plugin, port, atom))
        {
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(isInput ? slot.atomIn : slot.atomOut);
            sequence->atom.type = sequenceType;
            sequence->atom.size = isInput ? sizeof(LV2_Atom_Sequence_Body) : kAtomCapacity - sizeof(LV2_Atom);
            lilv_instance_connect_port(slot.instance, p, sequence);
        }
        else
        {
            lilv_instance_connect_port(slot.instance, p, slot.scratch[scratchUsed++]);
        }
    }
    lilv_node_free(atom);
    lilv_node_free(input);
    lilv_node_free(control);
    lilv_node_free(audio);
    lilv_instance_activate(slot.instance);
    return true;
}

double runRound(Instance& slot, const Stream& stream, LV2_URID sequenceType)
{
    const auto start = std::chrono::steady_clock::now();
    for (int done = 0; done < kRoundFrames; done += static_cast<int>(kBlockFrames))
    {
        if (slot.position + kBlockFrames > stream.channel[0].size())
            slot.position = 0;
        for (int c = 0; c < slot.peer->channels; ++c)
            std::memcpy(slot.in[c], stream.channel[c].data() + slot.position, sizeof slot.in[c]);
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(slot.atomOut);
        sequence->atom.type = sequenceType;
        sequence->atom.size = kAtomCapacity - sizeof(LV2_Atom);
        lilv_instance_run(slot.instance, kBlockFrames);
        slot.position += kBlockFrames;
    }
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(stop - start).count() * 1e9 / kRoundFrames;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

// lilv takes LV2_PATH entries as file URIs and fails on a relative one, so
// they are made absolute first.
void makeLv2PathAbsolute()
{
    const char* path = std::getenv("LV2_PATH");
    if (path == nullptr)
        return;
    std::string absolute;
    std::string rest = path;
    while (!rest.empty())
    {
        const std::size_t colon = rest.find(':');
        const std::string entry = rest.substr(0, colon);
        if (!entry.empty())
            absolute += (absolute.empty() ? "" : ":") + std::filesystem::absolute(entry).string();
        rest = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    }
    setenv("LV2_PATH", absolute.c_str(), 1);
}

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 41;
    makeLv2PathAbsolute();
    LilvWorld* world = lilv_world_new();
    lilv_world_load_all(world);
    const LilvPlugins* plugins = lilv_world_get_all_plugins(world);

    LV2_URID_Map map{nullptr, mapUri};
    LV2_URID_Unmap unmap{nullptr, unmapUri};
    const std::int32_t blockLength = kBlockFrames;
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, mapUri(nullptr, LV2_BUF_SIZE__maxBlockLength), sizeof(std::int32_t),
         mapUri(nullptr, LV2_ATOM__Int), &blockLength},
        {LV2_OPTIONS_INSTANCE, 0, mapUri(nullptr, LV2_BUF_SIZE__minBlockLength), sizeof(std::int32_t),
         mapUri(nullptr, LV2_ATOM__Int), &blockLength},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature unmapFeature{LV2_URID__unmap, &unmap};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature boundedFeature{LV2_BUF_SIZE__boundedBlockLength, nullptr};
    // Plug-ins with state ask for a worker; nothing here changes state, so it declines all work.
    LV2_Worker_Schedule worker{nullptr, [](LV2_Worker_Schedule_Handle, std::uint32_t, const void*) {
                                   return LV2_WORKER_ERR_UNKNOWN;
                               }};
    const LV2_Feature workerFeature{LV2_WORKER__schedule, &worker};
    const LV2_Feature* const features[] = {&mapFeature,     &unmapFeature,  &optionsFeature,
                                           &boundedFeature, &workerFeature, nullptr};
    const LV2_URID sequenceType = mapUri(nullptr, LV2_ATOM__Sequence);

    const Stream stream;
    std::vector<Instance*> slots;
    for (const Peer& peer : kPeers)
    {
        auto* slot = new Instance;
        if (instantiate(world, plugins, peer, features, sequenceType, *slot))
            slots.push_back(slot);
        else
        {
            std::printf("not available: %s (%s)\n", peer.label, peer.uri);
            delete slot;
        }
    }
    if (slots.empty())
        return 1;

    for (Instance* slot : slots)
        for (int warm = 0; warm < 4; ++warm)
            runRound(*slot, stream, sequenceType);
    for (int round = 0; round < rounds; ++round)
        for (std::size_t k = 0; k < slots.size(); ++k)
        {
            Instance* slot = slots[(k + static_cast<std::size_t>(round)) % slots.size()];
            slot->nsPerFrame.push_back(runRound(*slot, stream, sequenceType));
        }

    const double reference = median(slots.front()->nsPerFrame);
    std::printf("%-66s %10s %8s\n", "plug-in (48 kHz, 32-frame blocks)", "ns/frame", "ratio");
    for (Instance* slot : slots)
    {
        const double ns = median(slot->nsPerFrame);
        std::printf("%-66s %10.1f %8.2f\n", slot->peer->label, ns, ns / reference);
    }
    for (Instance* slot : slots)
    {
        lilv_instance_deactivate(slot->instance);
        lilv_instance_free(slot->instance);
        delete slot;
    }
    lilv_world_free(world);
    return 0;
}
