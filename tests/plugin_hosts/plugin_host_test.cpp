// The Corvex plug-ins in our own CLAP, VST3 and LV2 hosts, stereo and mono:
// they describe the engine's parameters and meters, report its latency,
// process exactly what the engine from the shared library does at the same
// settings and the same 32-sample split, and keep their audio callback free of
// allocations, extra locks and system calls.
#include "tests/plugin_hosts/lockstep_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <thread>
#include <tuple>

#include "plugins/corvex/parameter_symbol.h"
#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#endif
#if defined(__linux__)
#include "tests/support/audio_thread_call_counts.h"
#include "tests/support/engine_driver.h"

#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace corvex::plugin_hosts
{
namespace
{

enum class Format { Clap, Vst3, Lv2 };

struct HostCase
{
    const char* label;
    Format format;
    int numChannels;
    const char* displayName;
    const char* pluginId; // the CLAP id or LV2 URI; VST3 ids are binary
    const char* path;
};

const HostCase kHostCases[] = {
#if defined(CORVEX_CLAP_STEREO)
    {"ClapStereo", Format::Clap, 2, "Corvex Stereo", "org.corvex.stereo", CORVEX_CLAP_STEREO},
    {"ClapMono", Format::Clap, 1, "Corvex Mono", "org.corvex.mono", CORVEX_CLAP_MONO},
#endif
#if defined(CORVEX_VST3_STEREO)
    {"Vst3Stereo", Format::Vst3, 2, "Corvex Stereo", "", CORVEX_VST3_STEREO},
    {"Vst3Mono", Format::Vst3, 1, "Corvex Mono", "", CORVEX_VST3_MONO},
#endif
#if defined(CORVEX_LV2_STEREO)
    {"Lv2Stereo", Format::Lv2, 2, "Corvex Stereo", "urn:corvex:lv2:stereo", CORVEX_LV2_STEREO},
    {"Lv2Mono", Format::Lv2, 1, "Corvex Mono", "urn:corvex:lv2:mono", CORVEX_LV2_MONO},
#endif
};

void PrintTo(const HostCase& host, std::ostream* stream)
{
    *stream << host.label;
}

constexpr int kMaxBlockFrames = 4096;

std::unique_ptr<HostedPlugin> load(const HostCase& host, double sampleRate = kSampleRate)
{
#if defined(CORVEX_LV2_STEREO)
    if (host.format == Format::Lv2)
        return loadLv2Plugin(host.path, host.pluginId, sampleRate, kMaxBlockFrames);
#endif
    return host.format == Format::Clap ? loadClapPlugin(host.path, host.pluginId, sampleRate, kMaxBlockFrames)
                                       : loadVst3Plugin(host.path, sampleRate, kMaxBlockFrames);
}

class PluginHost : public ::testing::TestWithParam<HostCase>
{
protected:
    void SetUp() override { reload(); }
    void reload()
    {
        plugin.reset();
        ASSERT_NO_THROW(plugin = load(GetParam()));
    }

    const int n = GetParam().numChannels;
    const std::unique_ptr<CorvexEngine> engine{createCorvexEngine()}; // fresh: its values are the defaults
    const std::vector<host::ParameterDescription> descriptions = host::describeParameters(*engine);
    std::unique_ptr<HostedPlugin> plugin;
};

// Loading and activating as hosts do: the host's floating-point mode kept;
// the name and ids (a host tells the stereo and the mono plug-in of a format
// apart by them; a CLAP factory makes only its own), the buses and the
// engine's latency. A CLAP host may activate for blocks of at most one frame,
// without a complaint; at a rate the engine cannot take (above its highest)
// the input plays through unprocessed, without a report.
TEST_P(PluginHost, LoadsAndActivatesAsHostsExpect)
{
#if defined(__SSE__) || defined(_M_X64)
    _mm_setcsr(0x1f80); // the plug-in's engines flush denormals, the host's thread does not
    reload();
    EXPECT_EQ(_mm_getcsr() & ~0x3fu, 0x1f80u) << "loading the plug-in changed the host's floating-point mode";
#endif
    EXPECT_EQ(plugin->displayName(), GetParam().displayName);
    EXPECT_TRUE(GetParam().format == Format::Vst3 || plugin->classId() == GetParam().pluginId) << plugin->classId();
    const auto twin = std::ranges::find_if(
        kHostCases, [&](const HostCase& host) { return host.format == GetParam().format && host.numChannels != n; });
    EXPECT_NE(plugin->classId(), load(*twin)->classId());
    const AudioLayout layout = plugin->audioLayout();
    EXPECT_EQ(layout.mainInputs, n);
    EXPECT_EQ(layout.sideChainInputs, n);
    EXPECT_EQ(layout.outputs, n);
    engine->setSampleRate(kSampleRate);
    EXPECT_EQ(plugin->latencySamples(), engine->getLatencySamples());

    const bool clap = GetParam().format == Format::Clap;
    if (clap)
    {
        EXPECT_THROW(loadClapPlugin(GetParam().path, "org.example.other", kSampleRate, 512), std::runtime_error);
    }
    ::testing::internal::CaptureStderr();
    if (clap)
        loadClapPlugin(GetParam().path, GetParam().pluginId, kSampleRate, 1);
    std::unique_ptr<HostedPlugin> tooFast;
    ASSERT_NO_THROW(tooFast = load(GetParam(), kCorvexMaxSampleRate + 1.0));
    LockstepRun run(*tooFast, n);
    run.processFrames(1000, 100);
    EXPECT_EQ(run.output(), run.input());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// What plug-in validators check, at their rates and block sizes, with the
// host's thread keeping denormals: noise in, every output sample written,
// finite and not subnormal, the inputs untouched, under 8 settings of every
// control per block size (5 blocks each): the controls' lowest values, their
// highest, a tenth of the range beyond, then random ones. Then activated again
// at other rates, with the latency each time (5 ms in whole samples, floored).
TEST_P(PluginHost, ValidatorChecksAtTheirRatesAndBlockSizes)
{
    std::uint32_t random = 1;
    const auto next = [&random] { return (random = random * 1664525u + 1013904223u) / 4294967296.0; };
    for (const double rate : {44100.0, 48000.0, 96000.0})
    {
        std::unique_ptr<HostedPlugin> tested = load(GetParam(), rate);
        for (const int frames : {1, 7, 32, 64, 100, 512, 1024})
            for (int set = 0; set < 8; ++set)
            {
                SCOPED_TRACE(std::to_string(rate) + " Hz, blocks of " + std::to_string(frames) + ", set " +
                             std::to_string(set));
                for (int id = 0; id < kNumParameters; ++id)
                {
                    const HostParameterInfo info = tested->parameterInfo(id);
                    const double share = set == 0 ? 0.0 : set == 1 ? 1.0 : set == 2 ? (id % 2 ? 1.1 : -0.1) : next();
                    tested->queueParameterChange(id, info.minimum + share * (info.maximum - info.minimum));
                }
                std::vector<std::vector<float>> audio(3 * n, std::vector<float>(frames));
                std::vector<float*> channels;
                for (std::vector<float>& channel : audio)
                    channels.push_back(channel.data());
                for (int block = 0; block < 5; ++block)
                {
                    for (int c = 0; c < 3 * n; ++c) // noise in, outputs not a number until written
                        std::ranges::generate(audio[c], [&] { return c < 2 * n ? float(2.0 * next() - 1.0) : NAN; });
                    const std::vector<std::vector<float>> inputs(audio.begin(), audio.begin() + 2 * n);
#if defined(__SSE__) || defined(_M_X64)
                    _mm_setcsr(0x1f80);
#endif
                    ASSERT_TRUE(tested->process(std::span(channels).first(n), std::span(channels).subspan(n, n),
                                                std::span(channels).last(n), frames));
                    EXPECT_TRUE(std::equal(inputs.begin(), inputs.end(), audio.begin())) << "an input was written";
                    for (int c = 2 * n; c < 3 * n; ++c)
                        EXPECT_TRUE(std::ranges::all_of(audio[c], [](float x) {
                            return std::isfinite(x) && (x == 0.0f || std::fabs(x) >= std::numeric_limits<float>::min());
                        })) << "an output sample is not a finite, normal number (or was not written)";
                }
            }
        if (GetParam().format == Format::Lv2)
            continue; // LV2 plug-ins are instantiated at their rate
        for (const double newRate : {22050.0, 44100.0, 96000.0, 192000.0})
        {
            ASSERT_TRUE(tested->reactivate(newRate));
            EXPECT_EQ(tested->latencySamples(), static_cast<int>(newRate * 0.005)) << newRate;
        }
    }
}

// Controls in plain values: continuous ones on the engine's display scale,
// switches and choices by the index of their text, with the engine's texts
// ("Off"/"On", "4" to "All", "Reversed" to "S only"); then the meters in dB.
// A host's generic view shows the engine's texts with their units ("-12.0 dB",
// "20.0 kHz"; LV2 hosts know only the labels of the switches and choices),
// reads back what it shows and refuses a text that names no value.
TEST_P(PluginHost, DescribesTheEngineParametersThenTheMeters)
{
    const bool lv2 = GetParam().format == Format::Lv2;
    ASSERT_EQ(plugin->parameterCount(), kNumParameters + 3 * n);
    for (const host::ParameterDescription& description : descriptions)
    {
        SCOPED_TRACE(description.name);
        const HostParameterInfo info = plugin->parameterInfo(description.id);
        const bool continuous = description.kind == host::ParameterKind::Continuous;
        char defaultText[64] = {};
        engine->getValueText(description.id, description.defaultNormalizedValue, defaultText, sizeof defaultText - 1);
        const auto defaultChoice =
            std::ranges::find(description.choices, std::string(defaultText), &host::ParameterChoice::text);
        EXPECT_EQ(info.name, description.name);
        EXPECT_EQ(info.symbol, lv2 ? plugin::symbolFromName(description.name) : "");
        EXPECT_FALSE(info.isOutput);
        EXPECT_EQ(info.isStepped, !continuous);
        // The enable switch is the host's bypass, turned over in CLAP and VST3.
        const bool enableSwitch = description.id == kParamEnableEffect;
        EXPECT_EQ(info.isBypass, enableSwitch && !lv2);
        EXPECT_EQ(info.isEnabled, enableSwitch && lv2);
        EXPECT_EQ(info.minimum, continuous ? std::min(description.displayAtZero, description.displayAtOne) : 0.0f);
        EXPECT_EQ(info.maximum, continuous ? std::max(description.displayAtZero, description.displayAtOne)
                                           : static_cast<float>(description.choices.size() - 1));
        // VST3 carries the default as a normalized value, which the framework works out in single precision.
        const double defaultTolerance =
            GetParam().format == Format::Vst3 ? (info.maximum - info.minimum) * 0x1p-23 : 0.0;
        const auto hostIndex = [&](std::ptrdiff_t index) { return info.isBypass ? 1 - index : index; };
        EXPECT_NEAR(info.defaultValue,
                    continuous ? engine->getDisplayValue(description.id, description.defaultNormalizedValue)
                               : static_cast<float>(hostIndex(defaultChoice - description.choices.begin())),
                    defaultTolerance);
        for (std::size_t index = 0; index < description.choices.size(); ++index)
            EXPECT_EQ(plugin->valueText(description.id, static_cast<double>(hostIndex(index))),
                      description.choices[index].text);
        // What a host's text field shows at the ends and the default reads back as itself.
        for (const double plainValue : {info.minimum, info.defaultValue, info.maximum})
        {
            if (continuous && lv2)
                break; // LV2 hosts know only the labels of the switches and choices
            const std::string text = plugin->valueText(description.id, plainValue);
            const std::optional<double> readBack = plugin->valueFromText(description.id, text);
            ASSERT_TRUE(readBack.has_value()) << text;
            EXPECT_EQ(plugin->valueText(description.id, *readBack), text);
        }
    }
    for (int meter = kNumParameters; meter < plugin->parameterCount(); ++meter)
    {
        EXPECT_TRUE(plugin->parameterInfo(meter).isOutput) << meter;
        EXPECT_EQ(plugin->parameterInfo(meter).minimum, -120.0) << meter;
    }
    const std::tuple<int, double, const char*> known[] = {{kParamRatio, 2.0, "12"},
                                                          {kParamSideChainDetectionMode, 2.0, "Linked"},
                                                          {kParamInputGain, -12.0, "-12.0 dB"},
                                                          {kParamSideChainEqBellFreq, 692.8203, "693 Hz"},
                                                          {kParamSideChainEqLowPassFreq, 20000.0, "20.0 kHz"}};
    for (const auto& [id, plainValue, text] : known)
        EXPECT_EQ(plugin->valueText(id, plainValue),
                  lv2 && descriptions[id].kind == host::ParameterKind::Continuous ? "" : text);
    EXPECT_FALSE(plugin->valueFromText(kParamRatio, "13").has_value());
}

// Host blocks of 32·k frames give the engine exactly 32-sample calls; other
// sizes (0: random ones) end each block with a shorter call. Controls change
// through the host before the first block; at frames within blocks, from which
// the engine must hear them (a Ratio switch, a three-point ramp of Output Gain
// within 64 frames, an Input Gain step); and half-way, at a block's end and in
// a call without audio (a host's flush while stopped), both applying before
// the next audio; some go beyond their range or are not a number. A Ratio
// change in another namespace than CLAP's own must change nothing. The side
// chain starts external, so that a plug-in that drops it is heard, and at some
// sizes the host leaves it unconnected. Output and meters are the engine's,
// bit for bit, and at every multiple of 32 the render is the same. The host's
// thread enters every callback without flushing denormals and must leave it so
// (the engine flushes them while it runs).
TEST_P(PluginHost, OutputAndMetersAreTheEnginesBitForBitAsControlsChange)
{
    const double notANumber = std::numeric_limits<double>::quiet_NaN();
    const std::pair<int, double> atStart[] = {
        {kParamExternalSideChain, 1.0}, {kParamExternalSideChainGain, 6.0}, {kParamRatio, 3.0},
        {kParamAttackTime, 2.5},        {kParamInputGain, -18.0},           {kParamDryWet, 85.0}};
    const std::pair<int, double> halfWay[] = {{kParamExternalSideChain, 0.0},  {kParamRatio, 4.0},
                                              {kParamSideChainTimeWarp, 3.5},  {kParamSideChainDetectionMode, 2.0},
                                              {kParamSideChainEqOn, 1.0},      {kParamSideChainEqBellGain, -7.5},
                                              {kParamInputGain, 30.0},         {kParamReleaseTime, notANumber},
                                              {kParamEnableEffect, notANumber}};
    const std::tuple<int, int, double> points[] = {{7001, kParamRatio, 2.0},        {13337, kParamOutputGain, -9.0},
                                                   {13350, kParamOutputGain, -3.0}, {13400, kParamOutputGain, 2.0},
                                                   {20000, kParamInputGain, -6.0},  {30001, kParamRatio, 1.0}};
    // The last block's input meter shows a crest: the input's last frame lies near one.
    constexpr int kFrames = 36000, kHalfWay = 6 * 4096;
    std::vector<std::vector<float>> gridRender;
    for (const int blockFrames : {32, 64, 128, 256, 512, 1024, 4096, 1, 31, 33, 77, 100, 441, 0})
    {
        const bool sideChainConnected = blockFrames != 31 && blockFrames != 441;
        SCOPED_TRACE("blocks of " + std::to_string(blockFrames) + (sideChainConnected ? "" : ", no side chain"));
        reload();
        static bool hostModeKept;
        hostModeKept = true;
#if defined(__SSE__) || defined(_M_X64)
        plugin->enterAudioCallback = [] { _mm_setcsr(0x1f80); };
        plugin->leaveAudioCallback = [] { hostModeKept &= (_mm_getcsr() & ~0x3fu) == 0x1f80; }; // exception flags aside
#endif
        LockstepRun run(*plugin, n);
        run.connectSideChain(sideChainConnected);
        ::testing::internal::CaptureStderr();
        for (const auto& [parameterId, plainValue] : atStart)
            run.setControl(parameterId, plainValue);
        plugin->queueForeignEvent(kParamRatio, 4.0);
        std::uint32_t random = 12345;
        for (int done = 0, size = blockFrames; done < kFrames; done += size)
        {
            if (blockFrames == 0)
                size = 1 + static_cast<int>((random = random * 1664525u + 1013904223u) >> 22);
            size = std::min(size, kFrames - done);
            for (const auto& [frame, parameterId, plainValue] : points) // at their frames within the block
                if (frame >= done && frame < done + size)
                    run.setControl(parameterId, plainValue, frame - done);
            const bool halfWayDone = done < kHalfWay && done + size >= kHalfWay;
            if (halfWayDone)
                run.setControl(kParamOutputGain, -30.0, size);
            run.processBlock(size);
            if (!halfWayDone)
                continue;
            for (const auto& [parameterId, plainValue] : halfWay)
                run.setControl(parameterId, plainValue);
            run.processBlock(0);
        }
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the plug-in or the engine reported a fault";
        EXPECT_EQ(plugin->parameterValue(kParamOutputGain), -30.0);
        EXPECT_EQ(plugin->parameterValue(kParamRatio), 1.0);
        EXPECT_EQ(run.failedBlocks(), 0);
        EXPECT_TRUE(hostModeKept) << "the host's floating-point mode changed";
        EXPECT_EQ(run.differingSamples(), 0) << "a change is not heard from its frame on";
        EXPECT_EQ(run.differingMeters(), 0);
        for (int c = 0; c < n; ++c)
        {
            EXPECT_LT(run.pluginMeterDb(MeterKind::GainReduction, c), -1.0f) << "it compresses";
            EXPECT_GT(run.pluginMeterDb(MeterKind::InputPeak, c), -20.0f);
            EXPECT_GT(run.pluginMeterDb(MeterKind::OutputPeak, c), -60.0f);
        }
        if (gridRender.empty())
            gridRender = run.output();
        for (int c = 0; c < n && blockFrames % 32 == 0 && blockFrames > 0; ++c)
            EXPECT_EQ(std::memcmp(run.output()[c].data(), gridRender[c].data(), sizeof(float) * kFrames), 0)
                << "the render depends on the host's block size";
    }
}

// A host's stream may move any number of bytes per call: state saved through
// pieces of 1, 7 and 64 bytes is the same as saved whole, and loads, in such
// pieces, into a new instance with every control as it was, which saves the
// same bytes again. An empty, a random, a truncated and a headless blob are
// refused without a change. (LV2 hosts store the control ports themselves:
// the same holds for them, streams aside.) A state saved while the audio
// thread runs loads too.
TEST_P(PluginHost, StateSurvivesStreamsThatMoveFewBytesPerCallAndTheAudioThread)
{
    std::vector<double> values;
    for (const host::ParameterDescription& description : descriptions)
    {
        const HostParameterInfo info = plugin->parameterInfo(description.id);
        const double step = (description.id * 7 % 10 + 0.5) / 10.0;
        const double value = info.minimum + step * (info.maximum - info.minimum);
        const float received = plugin->queueParameterChange(description.id, info.isStepped ? std::round(value) : value);
        values.push_back(info.isBypass ? 1.0f - received : received); // as the host sees it
    }
    std::vector<float> silence(64);
    std::vector<float*> channels(n, silence.data());
    plugin->process(channels, {}, channels, 64);
    const auto whole = plugin->saveState();
    ASSERT_TRUE(whole.has_value());
    for (const std::size_t pieceBytes : {1u, 7u, 64u, 300u})
    {
        SCOPED_TRACE("pieces of " + std::to_string(pieceBytes) + " bytes");
        plugin->statePieceBytes = pieceBytes;
        EXPECT_EQ(plugin->saveState(), whole);
        std::unique_ptr<HostedPlugin> restored = load(GetParam());
        restored->statePieceBytes = pieceBytes;
        ASSERT_TRUE(restored->loadState(*whole));
        for (int id = 0; id < kNumParameters; ++id)
            EXPECT_FLOAT_EQ(restored->parameterValue(id), values[id]) << descriptions[id].name;
        EXPECT_EQ(restored->saveState(), whole);
    }

    // What is not a state is refused, changes nothing and leaves the plug-in working.
    std::vector<char> noise(300);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919u + 13u) % 251u); // bytes 0 to 250 and 254, the terminator
    const std::vector<char> truncated(whole->begin(), whole->end() - 20);
    std::vector<char> withoutParameters(*whole);
    withoutParameters.erase(withoutParameters.begin(), withoutParameters.begin() + 40);
    ::testing::internal::CaptureStderr();
    for (const std::vector<char>& blob : {std::vector<char>(), noise, truncated, withoutParameters})
    {
        EXPECT_FALSE(plugin->loadState(blob)) << blob.size() << " bytes";
        EXPECT_EQ(plugin->saveState(), whole) << "a refused state changed the plug-in";
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(plugin->process(channels, {}, channels, 64));

    // A host's main thread reads the controls and saves the state while its audio
    // thread processes with controls moving: every save loads into a new instance.
    std::atomic<bool> audioDone = false;
    std::vector<std::vector<char>> saves;
    std::thread audio([&] {
        std::vector<float> buffer(256, 0.25f);
        std::vector<float*> blockChannels(n, buffer.data());
        for (int block = 0; block < 400; ++block)
        {
            plugin->queueParameterChange(kParamInputGain, -24.0 + block % 24);
            plugin->process(blockChannels, {}, blockChannels, 256);
        }
        audioDone = true;
    });
    while (!audioDone)
    {
        for (int id = 0; id < kNumParameters; ++id)
            plugin->parameterValue(id);
        if (const auto saved = plugin->saveState(); saved && saves.size() < 32 && GetParam().format != Format::Lv2)
            saves.push_back(*saved);
    }
    audio.join();
    for (const std::vector<char>& saved : saves)
        EXPECT_TRUE(load(GetParam())->loadState(saved));
}

// Hosts show the gain reduction in their own meters. CLAP and VST3 hosts read
// the block's deepest in dB, which the plug-in's meters agree with; LV2 hosts
// with Ardour's inline display get a picture at the width they ask, and
// requests to draw it again while the reduction moves: a bar of the reduction
// (on a 24 dB scale) at the right. Bypassed, once the crossfade is over, both
// read 0 dB and the output is the input delayed by the reported latency. The
// picture is written to build/screenshots.
TEST_P(PluginHost, HostsShowTheGainReductionTheMetersShow)
{
    const bool lv2 = GetParam().format == Format::Lv2;
    LockstepRun run(*plugin, n);
    run.setControl(kParamInputGain, -16.0);
    run.processFrames(kSampleRate / 2, 256);
    const float deepestDb = std::min(run.pluginMeterDb(MeterKind::GainReduction, 0),
                                     run.pluginMeterDb(MeterKind::GainReduction, n - 1));
    ASSERT_LT(deepestDb, -3.0f) << "it compresses";
    // The bar's pixels at the right edge of a picture of 120 x 48, top to bottom.
    const auto shownDb = [&] {
        if (!lv2) // VST3 carries it to the controller as a normalized value in single precision
            return plugin->hostGainReductionDb().value_or(1.0);
        const std::optional<HostedPlugin::Picture> picture = plugin->renderInlineDisplay(120, 80);
        int depth = 0;
        while (picture && depth < picture->height && picture->pixels[(depth + 1) * picture->width - 1] == 0xffff6a3du)
            ++depth;
        return picture && picture->width == 120 && picture->height == 48 ? -24.0 * depth / 48.0 : 1.0;
    };
    EXPECT_NEAR(shownDb(), deepestDb, lv2 ? 0.75 : 1e-4);
    if (lv2)
    {
        EXPECT_GT(plugin->drawRequests, 5);
        EXPECT_EQ(plugin->renderInlineDisplay(100, 20)->height, 20);
        const HostedPlugin::Picture picture = *plugin->renderInlineDisplay(120, 80);
        std::filesystem::create_directories("screenshots");
        std::ofstream ppm("screenshots/lv2-inline-display-" + std::to_string(n) + ".ppm", std::ios::binary);
        ppm << "P6 " << picture.width << " " << picture.height << " 255\n";
        for (const std::uint32_t pixel : picture.pixels)
            ppm << static_cast<char>(pixel >> 16) << static_cast<char>(pixel >> 8) << static_cast<char>(pixel);
    }
    // "Enable Effect" off as the host sets it: its bypass on in CLAP and VST3.
    run.setControl(kParamEnableEffect, plugin->parameterInfo(kParamEnableEffect).isBypass ? 1.0 : 0.0);
    run.processFrames(kSampleRate / 2, 256);
    EXPECT_EQ(shownDb(), 0.0);
    EXPECT_EQ(run.differingSamples() + run.differingMeters(), 0);
    // The fade over, the plug-in is a delay by exactly the latency it reports.
    const int latency = plugin->latencySamples(), last = kSampleRate / 4;
    ASSERT_GT(latency, 0);
    for (int c = 0; c < n; ++c)
        EXPECT_TRUE(
            std::equal(run.output()[c].end() - last, run.output()[c].end(), run.input()[c].end() - last - latency));
}

#if defined(__linux__)
// The audio callback allocates nothing and takes one lock per engine call, plus
// one per control that changed (the engine publishes each new value under its
// lock, on the same thread, so the lock is never contended), at every block
// size. The CLAP wrapper also tries, once per callback, the lock of its queue
// of edits made in the interface: a lock it never waits for.
TEST_P(PluginHost, AudioCallbackAllocatesNothingAndLocksOncePerEngineCallAndChange)
{
    plugin->enterAudioCallback = &corvex::testing::resumeCountingCalls;
    plugin->leaveAudioCallback = &corvex::testing::pauseCountingCalls;
    LockstepRun run(*plugin, n);
    double ratio = 3.0, inputGainDb = -12.0; // known values first, so that each change below is one
    run.setControl(kParamRatio, ratio);
    run.setControl(kParamInputGain, inputGainDb);
    run.processBlock(kCorvexMaxBufferSize);
    int positionSamples = kCorvexMaxBufferSize;
    for (const auto& [frames, changes] : {std::pair{1, 0}, {31, 1}, {32, 2}, {33, 0}, {512, 2}, {kMaxBlockFrames, 1}})
    {
        SCOPED_TRACE("blocks of " + std::to_string(frames) + ", changes " + std::to_string(changes));
        if (changes >= 1)
            run.setControl(kParamRatio, ratio = 4.0 - ratio); // 3 and 1 in turn
        if (changes == 2)
            run.setControl(kParamInputGain, inputGainDb = -18.0 - inputGainDb); // -12 and -6 dB in turn
        corvex::testing::takeCallCounts();
        run.processBlock(frames);
        const corvex::testing::CallCounts counts = corvex::testing::takeCallCounts();
        EXPECT_EQ(counts.allocations, 0u);
        EXPECT_EQ(counts.deallocations, 0u);
        const int interfaceQueue = GetParam().format == Format::Clap ? 1 : 0;
        // engine calls: the stretches of the 32-frame grid that the block touches
        const int engineCalls = (positionSamples + frames + 31) / 32 - positionSamples / 32;
        positionSamples += frames;
        EXPECT_EQ(counts.locks, static_cast<std::uint64_t>(engineCalls + changes + interfaceQueue));
    }
    EXPECT_EQ(run.differingSamples(), 0);
}

// A child process forbids itself every system call but read, write and exit
// (strict secure computing mode), then runs the plug-in for a second with
// every control moving before every block of a changing size.
TEST_P(PluginHost, AudioCallbackMakesNoSystemCall)
{
    std::vector<std::vector<float>> audio(3 * n); // inputs, side chain, outputs
    std::vector<float*> channels;
    for (std::size_t c = 0; c < audio.size(); ++c)
        channels.push_back((audio[c] = corvex::testing::noise(0.9, kMaxBlockFrames, c + 1)).data());
    const std::span<float*> all(channels);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        if (prctl(PR_SET_SECCOMP, SECCOMP_MODE_STRICT) != 0)
            syscall(SYS_exit, 3);
        constexpr int kBlockFrames[] = {1, 31, 32, 33, 512, kMaxBlockFrames, 64, 7, 256};
        for (int block = 0, done = 0; done < kSampleRate; done += kBlockFrames[block++ % 9])
        {
            for (int id = 0; id < kNumParameters; ++id)
            {
                const auto [minimum, maximum] = corvex::plugin::plainRange(descriptions[id]); // the host's range
                const double step = (block * (id + 3)) % 11 / 10.0;
                plugin->queueParameterChange(id, minimum + step * (maximum - minimum));
            }
            if (!plugin->process(all.first(n), all.subspan(n, n), all.last(n), kBlockFrames[block % 9]))
                syscall(SYS_exit, 4);
        }
        syscall(SYS_exit, 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_FALSE(WIFSIGNALED(status)) << "the audio callback made a system call (signal " << WTERMSIG(status) << ")";
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "strict secure computing mode is not available here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "4: the plug-in failed a block";
}
#endif

INSTANTIATE_TEST_SUITE_P(Formats, PluginHost, ::testing::ValuesIn(kHostCases),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace corvex::plugin_hosts
