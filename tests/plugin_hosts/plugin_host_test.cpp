// The Corvex plug-ins in our own CLAP and VST3 hosts, stereo and mono: they
// describe the engine's parameters and meters, report its latency, and process
// exactly what the engine from the shared library does at the same settings
// and the same 32-sample split.
#include "tests/plugin_hosts/lockstep_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

namespace corvex::plugin_hosts
{
namespace
{

enum class Format
{
    Clap,
    Vst3
};

struct HostCase
{
    const char* label;
    Format format;
    int numChannels;
    const char* displayName;
    const char* clapId;
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
};

void PrintTo(const HostCase& host, std::ostream* stream)
{
    *stream << host.label;
}

constexpr int kMaxBlockFrames = 512;

std::unique_ptr<HostedPlugin> load(const HostCase& host)
{
    return host.format == Format::Clap ? loadClapPlugin(host.path, host.clapId, kSampleRate, kMaxBlockFrames)
                                       : loadVst3Plugin(host.path, kSampleRate, kMaxBlockFrames);
}

class PluginHost : public ::testing::TestWithParam<HostCase>
{
protected:
    void SetUp() override { reload(); }
    void reload()
    {
        plugin.reset();
        try
        {
            plugin = load(GetParam());
        }
        catch (const std::exception& error)
        {
            FAIL() << error.what();
        }
    }

    const int n = GetParam().numChannels;
    const std::unique_ptr<CorvexEngine> engine{createCorvexEngine()}; // fresh: its values are the defaults
    const std::vector<host::ParameterDescription> descriptions = host::describeParameters(*engine);
    std::unique_ptr<HostedPlugin> plugin;
};

TEST_P(PluginHost, ActivatesWithItsBusesAndTheEngineLatency)
{
    EXPECT_EQ(plugin->displayName(), GetParam().displayName);
    if (GetParam().format == Format::Clap)
    {
        EXPECT_EQ(plugin->classId(), GetParam().clapId);
    }
    const AudioLayout layout = plugin->audioLayout();
    EXPECT_EQ(layout.mainInputs, n);
    EXPECT_EQ(layout.sideChainInputs, n);
    EXPECT_EQ(layout.outputs, n);
    engine->setSampleRate(kSampleRate);
    EXPECT_EQ(plugin->latencySamples(), engine->getLatencySamples());
}

// Controls in plain values: continuous ones on the engine's display scale,
// switches and choices by the index of their text; then the meters in dB.
TEST_P(PluginHost, DescribesTheEngineParametersThenTheMeters)
{
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
        EXPECT_FALSE(info.isOutput);
        EXPECT_EQ(info.isStepped, !continuous);
        EXPECT_EQ(info.minimum, continuous ? std::min(description.displayAtZero, description.displayAtOne) : 0.0f);
        EXPECT_EQ(info.maximum, continuous ? std::max(description.displayAtZero, description.displayAtOne)
                                           : static_cast<float>(description.choices.size() - 1));
        // VST3 carries the default as a normalized value, which the framework works out in single precision.
        const double defaultTolerance =
            GetParam().format == Format::Vst3 ? (info.maximum - info.minimum) * 0x1p-23 : 0.0;
        EXPECT_NEAR(info.defaultValue,
                    continuous ? engine->getDisplayValue(description.id, description.defaultNormalizedValue)
                               : static_cast<float>(defaultChoice - description.choices.begin()),
                    defaultTolerance);
    }
    for (int meter = kNumParameters; meter < plugin->parameterCount(); ++meter)
    {
        SCOPED_TRACE(meter);
        EXPECT_TRUE(plugin->parameterInfo(meter).isOutput);
        EXPECT_EQ(plugin->parameterInfo(meter).minimum, -120.0);
    }
}

// Every text of every switch and choice ("Off"/"On", "4" to "All", "Reversed" to "S only").
TEST_P(PluginHost, ValueTextsAreTheEngines)
{
    for (const host::ParameterDescription& description : descriptions)
        for (std::size_t index = 0; index < description.choices.size(); ++index)
            EXPECT_EQ(plugin->valueText(description.id, static_cast<double>(index)), description.choices[index].text)
                << description.name << " at " << index;
}

// Host blocks of 32·k frames give the engine exactly 32-sample calls; an odd
// size ends each block with a shorter call. Controls change through the host's
// events before the first block; the external side chain is one of them.
TEST_P(PluginHost, OutputAndMetersAreTheEnginesBitForBit)
{
    const std::vector<std::pair<int, double>> scenarios[] = {
        {{kParamRatio, 2.0}, {kParamAttackTime, 2.5}, {kParamInputGain, -18.0}},
        {{kParamExternalSideChain, 1.0}, {kParamExternalSideChainGain, 6.0}}};
    for (const auto& controls : scenarios)
        for (const int blockFrames : {64, kMaxBlockFrames, 77})
        {
            SCOPED_TRACE(std::string(controls.size() == 2 ? "external" : "internal") + " side chain, blocks of " +
                         std::to_string(blockFrames));
            reload();
            ASSERT_NE(plugin, nullptr);
            LockstepRun run(*plugin, n);
            for (const auto& [parameterId, plainValue] : controls)
                run.setControl(parameterId, plainValue);
            ::testing::internal::CaptureStderr();
            run.processFrames(kSampleRate / 4, blockFrames);
            EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the plug-in or the engine reported a fault";
            EXPECT_EQ(run.failedBlocks(), 0);
            EXPECT_EQ(run.differingSamples(), 0);
            EXPECT_EQ(run.differingMeters(), 0);
            for (int c = 0; c < n; ++c)
            {
                EXPECT_LT(run.pluginMeterDb(MeterKind::GainReduction, c), -1.0f) << "it compresses";
                EXPECT_GT(run.pluginMeterDb(MeterKind::InputPeak, c), -20.0f);
                EXPECT_GT(run.pluginMeterDb(MeterKind::OutputPeak, c), -60.0f);
            }
        }
}

// With the effect off the plug-in is a delay by exactly the latency it reports.
TEST_P(PluginHost, EffectOffIsTheInputDelayedByTheReportedLatency)
{
    LockstepRun run(*plugin, n);
    run.setControl(kParamEnableEffect, 0.0);
    run.processFrames(kSampleRate / 10, 64);
    EXPECT_EQ(run.differingSamples(), 0);
    const int latency = plugin->latencySamples();
    ASSERT_GT(latency, 0);
    for (int c = 0; c < n; ++c)
    {
        int differing = 0;
        const std::vector<float>& input = run.input()[c];
        for (std::size_t i = 0; i < input.size(); ++i)
            differing += run.output()[c][i] != (i < static_cast<std::size_t>(latency) ? 0.0f : input[i - latency]);
        EXPECT_EQ(differing, 0) << "channel " << c;
        EXPECT_EQ(run.pluginMeterDb(MeterKind::GainReduction, c), 0.0f);
        EXPECT_EQ(run.pluginMeterDb(MeterKind::InputPeak, c), run.pluginMeterDb(MeterKind::OutputPeak, c));
    }
}

// Every continuous control set away from its default first, so that the engine
// holds the values the stored plain values select whether or not the plug-in
// applies unchanged values again on restore.
TEST_P(PluginHost, RestoredStateBringsBackAChangedParameter)
{
    LockstepRun run(*plugin, n);
    for (const host::ParameterDescription& description : descriptions)
        if (description.kind == host::ParameterKind::Continuous)
            run.setControl(description.id, engine->getDisplayValue(description.id, 0.3f));
    run.setControl(kParamRatio, 1.0);
    run.processFrames(2048, 64);
    const auto saved = plugin->saveState();
    ASSERT_TRUE(saved.has_value()) << "the plug-in offers no state for a host to store";
    run.setControl(kParamRatio, 4.0);
    run.processFrames(2048, 64);
    EXPECT_EQ(plugin->parameterValue(kParamRatio), 4.0);
    ASSERT_TRUE(plugin->loadState(*saved));
    run.setReferenceControl(kParamRatio, 1.0f);
    EXPECT_EQ(plugin->parameterValue(kParamRatio), 1.0);
    EXPECT_TRUE(plugin->saveState() == saved) << "the state differs from the one restored";
    run.processFrames(2048, 64);
    EXPECT_EQ(run.failedBlocks(), 0);
    EXPECT_EQ(run.differingSamples(), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, PluginHost, ::testing::ValuesIn(kHostCases),
                         [](const auto& info) { return std::string(info.param.label); });

// A host tells plug-ins apart by these ids: the stereo and the mono plug-in of a format must differ.
TEST(PluginHostIds, StereoAndMonoHaveDistinctIds)
{
    std::map<Format, std::set<std::string>> ids;
    for (const HostCase& host : kHostCases)
        ids[host.format].insert(load(host)->classId());
    for (const auto& [format, formatIds] : ids)
        EXPECT_EQ(formatIds.size(), 2u) << (format == Format::Clap ? "CLAP" : "VST3");
}

} // namespace
} // namespace corvex::plugin_hosts
