// The plug-ins loaded by lilv from the build tree, as a host runs them (with
// the URID map and options features the framework requires): each processes
// exactly what the engine driven directly produces, at any host block size,
// without a report, and run() makes no system call.
#include "corvex_engine.h"
#include "libraries/host/parameter_description.h"
#include "plugins/corvex/meter_level.h"
#include "plugins/corvex/parameter_symbol.h"
#include "plugins/corvex/parameter_values.h"
#include "tests/support/audio_thread_call_counts.h"
#include "tests/support/host_signals.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <linux/seccomp.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corvex::validation
{
namespace
{

constexpr int kSampleRate = 48000;

struct ControlChange
{
    std::size_t block;
    int parameterId;
    float portValue;
};

struct PluginVariant
{
    const char* uri;
    int numChannels;
};

void PrintTo(const PluginVariant& variant, std::ostream* out)
{
    *out << variant.uri;
}

// The framework's port order: main inputs, side-chain inputs, outputs, event
// input and output, the latency, then one control per parameter and the meters.
struct PortLayout
{
    int n;
    std::uint32_t audioInput(int c) const { return c; }
    std::uint32_t sideChainInput(int c) const { return n + c; }
    std::uint32_t audioOutput(int c) const { return 2 * n + c; }
    std::uint32_t eventsIn() const { return 3 * n; }
    std::uint32_t eventsOut() const { return 3 * n + 1; }
    std::uint32_t latency() const { return 3 * n + 2; }
    std::uint32_t control(int id) const { return 3 * n + 3 + id; }
    std::uint32_t gainReductionMeter(int c) const { return control(kNumParameters) + c; }
    std::uint32_t inputMeter(int c) const { return gainReductionMeter(n) + c; }
    std::uint32_t outputMeter(int c) const { return inputMeter(n) + c; }
    std::uint32_t numPorts() const { return outputMeter(n); }
};

// The features a host must give: a URID map, options (here the block length)
// and a worker, which the plug-ins never use (they have no state of their own).
struct HostFeatures
{
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri)
    {
        auto& uris = *static_cast<std::map<std::string, LV2_URID>*>(handle);
        return uris.try_emplace(uri, static_cast<LV2_URID>(uris.size() + 1)).first->second;
    }
    std::map<std::string, LV2_URID> uris;
    LV2_URID_Map uridMap{&uris, &map};
    int maxBlockLength = 4096;
    LV2_URID sequence = map(&uris, LV2_ATOM__Sequence), chunk = map(&uris, LV2_ATOM__Chunk);
    LV2_Options_Option options[2] = {{LV2_OPTIONS_INSTANCE, 0, map(&uris, LV2_BUF_SIZE__maxBlockLength), sizeof(int),
                                      map(&uris, LV2_ATOM__Int), &maxBlockLength},
                                     {}};
    LV2_Worker_Schedule worker{nullptr, [](LV2_Worker_Schedule_Handle, std::uint32_t, const void*) {
                                   return LV2_WORKER_ERR_UNKNOWN;
                               }};
    LV2_Feature mapFeature{LV2_URID__map, &uridMap}, optionsFeature{LV2_OPTIONS__options, options},
        workerFeature{LV2_WORKER__schedule, &worker};
    const LV2_Feature* features[4] = {&mapFeature, &optionsFeature, &workerFeature, nullptr};
};

class Lv2Plugin : public ::testing::TestWithParam<PluginVariant>
{
protected:
    static void SetUpTestSuite()
    {
        world = lilv_world_new();
        for (const char* name : {"Corvex.lv2/", "CorvexMono.lv2/"})
        {
            LilvNode* const bundle = lilv_new_file_uri(world, nullptr, (std::string(CORVEX_PLUGIN_DIR "/") + name).c_str());
            lilv_world_load_bundle(world, bundle);
            lilv_node_free(bundle);
        }
    }
    static void TearDownTestSuite() { lilv_world_free(world); }

    // An instance with the buffers a host owns, every control at its default.
    void SetUp() override
    {
        LilvNode* const uri = lilv_new_uri(world, GetParam().uri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
        ASSERT_NE(plugin, nullptr) << GetParam().uri;
        ASSERT_EQ(lilv_plugin_get_num_ports(plugin), layout.numPorts());
        const std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
        for (const auto& description : host::describeParameters(*engine))
        {
            const LilvPort* const port = lilv_plugin_get_port_by_index(plugin, layout.control(description.id));
            EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)),
                         plugin::symbolFromName(description.name).c_str());
        }
        instantiate(kSampleRate);
    }
    void instantiate(double sampleRate)
    {
        lilv_instance_free(instance);
        instance = lilv_plugin_instantiate(plugin, sampleRate, host.features);
        ASSERT_NE(instance, nullptr);
        lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), ports.data());
        for (std::uint32_t port = layout.latency(); port < layout.numPorts(); ++port)
            lilv_instance_connect_port(instance, port, &ports[port]);
        lilv_instance_connect_port(instance, layout.eventsIn(), &events[0]);
        lilv_instance_connect_port(instance, layout.eventsOut(), &events[1]);
        for (int c = 0; c < layout.n; ++c)
        {
            lilv_instance_connect_port(instance, layout.audioInput(c), audio[0][c]);
            lilv_instance_connect_port(instance, layout.audioOutput(c), audio[1][c]);
            lilv_instance_connect_port(instance, layout.sideChainInput(c), audio[2][c]);
        }
        lilv_instance_activate(instance);
    }
    float& control(int id) { return ports[layout.control(id)]; }
    // One host block: no events in, room for events out.
    void run(std::uint32_t frames)
    {
        events[0].atom = {sizeof(LV2_Atom_Sequence_Body), host.sequence};
        events[1].atom = {sizeof(events[1]) - sizeof(LV2_Atom), host.chunk};
        lilv_instance_run(instance, frames);
    }
    void TearDown() override { lilv_instance_free(instance); }

    static inline LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    HostFeatures host;
    const PortLayout layout{GetParam().numChannels};
    std::vector<float> ports = std::vector<float>(layout.numPorts()), minimum = ports, maximum = ports;
    float audio[3][2][4096] = {}; // inputs, outputs, side-chain inputs
    struct alignas(8) EventBuffer
    {
        LV2_Atom atom;
        LV2_Atom_Sequence_Body body;
        std::uint8_t room[4096];
    } events[2] = {}; // in, out
};

// At every host block size, with the side chain connected or not and controls
// changing half-way (some to values beyond their range or not a number), each
// block's output, meters and latency equal those of the engine driven directly
// as the plug-in drives it: a control goes to the engine, through the shared
// port conversion, when its port value changed (all before the first block),
// a host block goes in calls of at most 32 frames, the meters show the deepest
// gain and highest peaks of these calls.
TEST_P(Lv2Plugin, OutputIsBitIdenticalToTheEngineAtEveryHostBlockSize)
{
    const int n = layout.n;
    const float notANumber = std::numeric_limits<float>::quiet_NaN();
    ::testing::internal::CaptureStderr(); // reports go to stderr when, as here, no display can show them
    TestSignal input(SignalKind::WhiteNoise, 7), sideChain(SignalKind::FullScaleSquare, 8);
    for (const auto& [blockSize, connected] : {std::pair<std::size_t, bool>{1, true}, {31, true}, {32, false},
                                               {33, true}, {512, false}, {4096, true}})
    {
        SCOPED_TRACE("block size " + std::to_string(blockSize) + (connected ? "" : ", side chain unconnected"));
        instantiate(kSampleRate);
        const std::size_t middle = 6000 / blockSize;
        const ControlChange changes[] = {
            {0, kParamExternalSideChain, 1.0f},      {0, kParamRatio, 2.0f},        {0, kParamAttackTime, 2.5f},
            {0, kParamDryWet, 85.0f},                {0, kParamInputGain, 30.0f},   {middle, kParamRatio, 4.0f},
            {middle, kParamSideChainTimeWarp, 3.5f}, {middle, kParamSideChainDetectionMode, 2.0f},
            {middle, kParamSideChainEqOn, 1.0f},     {middle, kParamSideChainEqBellGain, -7.5f},
            {middle, kParamReleaseTime, notANumber}, {middle, kParamEnableEffect, notANumber}};
        for (int c = 0; c < n; ++c)
            lilv_instance_connect_port(instance, layout.sideChainInput(c), connected ? audio[2][c] : nullptr);
        const std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
        const auto descriptions = host::describeParameters(*engine);
        engine->setSampleRate(kSampleRate);
        std::vector<float> applied(kNumParameters);
        std::size_t mismatches = 0;
        float peak = 0.0f;
        for (std::size_t block = 0; block * blockSize < 14000; ++block)
        {
            for (const ControlChange& change : changes)
                if (change.block == block)
                    control(change.parameterId) = change.portValue;
            for (int id = 0; id < kNumParameters; ++id)
                if (block == 0 || std::memcmp(&control(id), &applied[id], sizeof(float)) != 0)
                    if (const auto normalized = plugin::normalizedFromPlainValue(*engine, descriptions[id], applied[id] = control(id)))
                        engine->setNormalizedValue(id, *normalized);
            for (int c = 0; c < n; ++c)
                for (std::size_t i = 0; i < blockSize; ++i)
                {
                    audio[0][c][i] = 0.7f * input.next();
                    audio[2][c][i] = 0.7f * sideChain.next();
                }
            run(static_cast<std::uint32_t>(blockSize));
            float meters[3][2] = {{1.0f, 1.0f}};
            for (std::size_t call = 0; call < blockSize; call += 32)
            {
                float expected[2][32];
                const float* in[2] = {audio[0][0] + call, audio[0][1] + call};
                const float* side[2] = {connected ? audio[2][0] + call : nullptr, connected ? audio[2][1] + call : nullptr};
                float* out[2] = {expected[0], expected[1]};
                const int count = static_cast<int>(std::min<std::size_t>(32, blockSize - call));
                engine->process(in, out, side, n, count);
                for (int c = 0; c < n; ++c)
                {
                    mismatches += std::memcmp(expected[c], audio[1][c] + call, sizeof(float) * count) != 0;
                    meters[0][c] = std::min(meters[0][c], engine->getMeterValue(kMeterGainReduction0 + c));
                    meters[1][c] = std::max(meters[1][c], engine->getMeterValue(kMeterInput0 + c));
                    meters[2][c] = std::max(meters[2][c], engine->getMeterValue(kMeterOutput0 + c));
                    peak = std::max(peak, expected[c][0]);
                }
            }
            for (int c = 0; c < n; ++c)
                mismatches += ports[layout.gainReductionMeter(c)] != plugin::meterLevelDb(meters[0][c]) ||
                              ports[layout.inputMeter(c)] != plugin::meterLevelDb(meters[1][c]) ||
                              ports[layout.outputMeter(c)] != plugin::meterLevelDb(meters[2][c]);
            mismatches += ports[layout.latency()] != static_cast<float>(engine->getLatencySamples());
        }
        EXPECT_EQ(mismatches, 0u);
        EXPECT_GT(peak, 0.01f) << "a silent engine makes both sides trivially equal";
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the engine reported a fault";
}

// A host rate the engine cannot take (above its highest) plays the input
// unprocessed, without a report.
TEST_P(Lv2Plugin, ARateTheEngineCannotTakePassesTheInputThrough)
{
    ::testing::internal::CaptureStderr();
    instantiate(kCorvexMaxSampleRate + 1.0);
    TestSignal noise(SignalKind::WhiteNoise, 5);
    for (int c = 0; c < layout.n; ++c)
        for (int i = 0; i < 100; ++i)
            audio[0][c][i] = noise.next();
    run(100);
    for (int c = 0; c < layout.n; ++c)
        EXPECT_EQ(std::memcmp(audio[0][c], audio[1][c], 100 * sizeof(float)), 0) << "channel " << c;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// run() allocates nothing and takes one lock per engine call, plus one per
// control that changed (the engine publishes each new value under its lock,
// on the same thread, so the lock is never contended), at every block size.
TEST_P(Lv2Plugin, RunAllocatesNothingAndLocksOncePerEngineCallAndChange)
{
    for (const std::uint32_t blockSize : {1u, 31u, 32u, 33u, 512u, 4096u})
    {
        SCOPED_TRACE("block size " + std::to_string(blockSize));
        const float ratio = static_cast<float>(blockSize % 5), inputGainDb = -static_cast<float>(blockSize % 48);
        const std::uint64_t changes = (control(kParamRatio) != ratio) + (control(kParamInputGain) != inputGainDb);
        control(kParamRatio) = ratio;
        control(kParamInputGain) = inputGainDb;
        const auto counts = corvex::testing::countCalls([&] { run(blockSize); });
        EXPECT_EQ(counts.allocations, 0u);
        EXPECT_EQ(counts.deallocations, 0u);
        EXPECT_EQ(counts.locks, (blockSize + 31) / 32 + changes);
    }
}

// A child process forbids itself every system call but read, write and exit
// (strict secure computing mode), then runs the plug-in for a second with
// every control moving before every block of a changing size.
TEST_P(Lv2Plugin, RunMakesNoSystemCall)
{
    TestSignal noise(SignalKind::WhiteNoise, 3);
    for (auto& group : audio)
        for (auto& channel : group)
            for (float& sample : channel)
                sample = noise.next();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        if (prctl(PR_SET_SECCOMP, SECCOMP_MODE_STRICT) != 0)
            syscall(SYS_exit, 3);
        constexpr std::uint32_t kBlockSizes[] = {1, 31, 32, 33, 512, 4096, 64, 7, 256};
        for (std::uint32_t block = 0, done = 0; done < kSampleRate; done += kBlockSizes[block++ % 9])
        {
            for (int id = 0; id < kNumParameters; ++id)
            {
                const std::uint32_t port = layout.control(id);
                ports[port] = minimum[port] + static_cast<float>((block * (id + 3)) % 11) / 10.0f * (maximum[port] - minimum[port]);
            }
            run(kBlockSizes[block % 9]);
        }
        syscall(SYS_exit, 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_FALSE(WIFSIGNALED(status)) << "run() made a forbidden system call (signal " << WTERMSIG(status) << ")";
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "strict secure computing mode is not available here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, Lv2Plugin, ::testing::Values(PluginVariant{"urn:corvex:lv2:mono", 1}, PluginVariant{"urn:corvex:lv2:stereo", 2}),
                         [](const auto& info) { return std::string(info.param.numChannels == 1 ? "Mono" : "Stereo"); });

} // namespace
} // namespace corvex::validation
