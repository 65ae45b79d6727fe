// The bundle as lilv reads it from the build tree: plug-ins, ports, and the
// ranges, defaults, units and value texts of the controls, checked against the
// engine itself and against its documented parameter table.
#include "corvex_engine.h"
#include "plugins/lv2/port_layout.h"
#include "tests/lv2/bundle_fixture.h"
#include "tests/lv2/port_description.h"

#include <lv2/core/lv2.h>
#include <lv2/units/units.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace corvex::testing
{

namespace
{

using Lv2PortsTest = BundleTest;

const std::set<int> kSwitchIds{kParamEnableEffect,          kParamSideChainEqOn,    kParamSideChainEqHighPassOn,
                               kParamSideChainEqLowPassOn,  kParamExternalSideChain, kParamSideChainListen};
const std::set<int> kChoiceIds{kParamRatio, kParamSideChainDetectionMode};

std::string engineText(CorvexEngine& engine, void (CorvexEngine::*reader)(int, char*, int), int id)
{
    char text[65] = {};
    (engine.*reader)(id, text, 64);
    return text;
}

std::string valueText(CorvexEngine& engine, int id, float normalizedValue)
{
    char text[65] = {};
    engine.getValueText(id, normalizedValue, text, 64);
    return text;
}

std::string unitUri(const std::string& engineUnit)
{
    const std::map<std::string, std::string> units{
        {"", ""}, {"dB", LV2_UNITS__db}, {"%", LV2_UNITS__pc}, {"ms", LV2_UNITS__ms}, {"Hz", LV2_UNITS__hz}};
    return units.at(engineUnit);
}

TEST_P(Lv2PortsTest, BundleDescribesTheVariantWithItsBinary)
{
    ASSERT_NE(plugin(), nullptr) << variant().uri;
    EXPECT_TRUE(lilv_plugin_verify(plugin()));
    LilvNode* const name = lilv_plugin_get_name(plugin());
    EXPECT_STREQ(lilv_node_as_string(name), variant().name);
    lilv_node_free(name);
    LilvNodes* const types = lilv_plugin_get_value(plugin(), bundle().uri(LILV_NS_RDF "type"));
    EXPECT_TRUE(lilv_nodes_contains(types, bundle().uri(LV2_CORE__CompressorPlugin)));
    lilv_nodes_free(types);

    char* const library = lilv_file_uri_parse(lilv_node_as_uri(lilv_plugin_get_library_uri(plugin())), nullptr);
    const std::filesystem::path libraryPath(library);
    lilv_free(library);
    EXPECT_TRUE(std::filesystem::exists(libraryPath)) << libraryPath;
    EXPECT_EQ(libraryPath.parent_path(), std::filesystem::path(CORVEX_LV2_BUNDLE_DIR));
}

TEST_P(Lv2PortsTest, AudioPortsPerChannelWithMarkedSideChain)
{
    ASSERT_NE(plugin(), nullptr);
    const int channels = variant().numChannels;
    const lv2::PortLayout layout{channels};
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin()), kNumParameters + 1u + 6u * static_cast<unsigned>(channels));
    for (int channel = 0; channel < channels; ++channel)
    {
        const PortDescription input = describePort(bundle(), plugin(), layout.audioInput(channel));
        const PortDescription output = describePort(bundle(), plugin(), layout.audioOutput(channel));
        const PortDescription sideChain = describePort(bundle(), plugin(), layout.sideChainInput(channel));
        EXPECT_TRUE(input.is(LV2_CORE__InputPort) && input.is(LV2_CORE__AudioPort));
        EXPECT_TRUE(output.is(LV2_CORE__OutputPort) && output.is(LV2_CORE__AudioPort));
        EXPECT_TRUE(sideChain.is(LV2_CORE__InputPort) && sideChain.is(LV2_CORE__AudioPort));
        EXPECT_FALSE(input.has(LV2_CORE_PREFIX "isSideChain"));
        EXPECT_FALSE(output.has(LV2_CORE_PREFIX "isSideChain"));
        EXPECT_TRUE(sideChain.has(LV2_CORE_PREFIX "isSideChain"));
        EXPECT_TRUE(sideChain.has(LV2_CORE__connectionOptional));
    }
}

TEST_P(Lv2PortsTest, ControlInputsCarryTheEngineParameters)
{
    ASSERT_NE(plugin(), nullptr);
    const std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    std::set<std::string> symbols;
    for (int id = 0; id < kNumParameters; ++id)
    {
        SCOPED_TRACE("parameter " + std::to_string(id));
        const PortDescription port = describePort(bundle(), plugin(), lv2::PortLayout::control(id));
        const float defaultNormalized = engine->getNormalizedValue(id);
        EXPECT_TRUE(port.is(LV2_CORE__InputPort) && port.is(LV2_CORE__ControlPort));
        EXPECT_EQ(port.name, engineText(*engine, &CorvexEngine::getParameterName, id));
        EXPECT_TRUE(symbols.insert(port.symbol).second) << port.symbol;
        EXPECT_EQ(port.unit, unitUri(engineText(*engine, &CorvexEngine::getParameterUnit, id)));
        ASSERT_TRUE(port.defaultValue && port.minimum && port.maximum);
        EXPECT_EQ(port.has(LV2_CORE__toggled), kSwitchIds.contains(id));
        EXPECT_EQ(port.has(LV2_CORE__enumeration), kChoiceIds.contains(id));
        EXPECT_EQ(port.has(LV2_CORE__integer), kChoiceIds.contains(id));

        if (kSwitchIds.contains(id) || kChoiceIds.contains(id))
        {
            // Port values are the indexes of the engine's value texts.
            const int numTexts = kSwitchIds.contains(id) ? 2 : 5;
            EXPECT_EQ(*port.minimum, 0.0f);
            EXPECT_EQ(*port.maximum, numTexts - 1.0f);
            ASSERT_EQ(port.scalePoints.size(), static_cast<std::size_t>(numTexts));
            for (int index = 0; index < numTexts; ++index)
            {
                EXPECT_EQ(port.scalePoints[index].first, static_cast<float>(index));
                EXPECT_EQ(port.scalePoints[index].second, valueText(*engine, id, (index + 0.5f) / numTexts));
            }
            EXPECT_EQ(*port.defaultValue, std::min(std::floor(defaultNormalized * numTexts), numTexts - 1.0f));
        }
        else
        {
            // Port values are the engine's display values.
            const float atZero = engine->getDisplayValue(id, 0.0f);
            const float atOne = engine->getDisplayValue(id, 1.0f);
            EXPECT_EQ(*port.minimum, std::min(atZero, atOne));
            EXPECT_EQ(*port.maximum, std::max(atZero, atOne));
            EXPECT_EQ(*port.defaultValue, engine->getDisplayValue(id, defaultNormalized));
            EXPECT_TRUE(port.scalePoints.empty());
        }
    }
}

// Values of the engine's documented parameter table, independent of the engine build.
TEST_P(Lv2PortsTest, ControlInputsMatchTheDocumentedTable)
{
    ASSERT_NE(plugin(), nullptr);
    const auto port = [&](int id) { return describePort(bundle(), plugin(), lv2::PortLayout::control(id)); };

    struct ContinuousControl
    {
        int id;
        std::string name;
        std::string symbol;
        std::string unit;
        double minimum;
        double maximum;
        double defaultValue;
    };
    const ContinuousControl continuousControls[] = {
        {kParamInputGain, "Input Gain", "input_gain", LV2_UNITS__db, -48.0, 0.0, -24.0},
        {kParamAttackTime, "Attack Time", "attack_time", "", 1.0, 7.0, 4.0},
        {kParamDryWet, "Dry / Wet", "dry_wet", LV2_UNITS__pc, 0.0, 100.0, 100.0},
        {kParamSideChainTimeWarp, "SC Time Warp", "sc_time_warp", LV2_UNITS__ms, -5.0, 10.0, 0.0},
        {kParamSideChainEqBellFreq, "SC EQ Bell Freq", "sc_eq_bell_freq", LV2_UNITS__hz, 30.0, 16000.0,
         std::sqrt(30.0 * 16000.0)},
        {kParamGainReductionRange, "GR Range", "gr_range", LV2_UNITS__db, 0.0, 100.0, 100.0},
    };
    for (const ContinuousControl& expected : continuousControls)
    {
        const PortDescription control = port(expected.id);
        EXPECT_EQ(control.name, expected.name);
        EXPECT_EQ(control.symbol, expected.symbol);
        EXPECT_EQ(control.unit, expected.unit) << expected.name;
        EXPECT_NEAR(*control.minimum, expected.minimum, 1e-5 * expected.maximum) << expected.name;
        EXPECT_NEAR(*control.maximum, expected.maximum, 1e-5 * expected.maximum) << expected.name;
        EXPECT_NEAR(*control.defaultValue, expected.defaultValue, 1e-5 * expected.maximum) << expected.name;
    }

    const PortDescription ratio = port(kParamRatio);
    const std::vector<std::pair<float, std::string>> ratioTexts{{0.0f, "4"}, {1.0f, "8"}, {2.0f, "12"}, {3.0f, "20"},
                                                                 {4.0f, "All"}};
    EXPECT_EQ(ratio.scalePoints, ratioTexts);
    EXPECT_EQ(*ratio.defaultValue, 0.0f);

    const PortDescription mode = port(kParamSideChainDetectionMode);
    EXPECT_EQ(mode.name, "SC Detection Mode");
    const std::vector<std::pair<float, std::string>> modeTexts{
        {0.0f, "Reversed"}, {1.0f, "Dual"}, {2.0f, "Linked"}, {3.0f, "M only"}, {4.0f, "S only"}};
    EXPECT_EQ(mode.scalePoints, modeTexts);
    EXPECT_EQ(*mode.defaultValue, 1.0f);

    const PortDescription enable = port(kParamEnableEffect);
    const std::vector<std::pair<float, std::string>> switchTexts{{0.0f, "Off"}, {1.0f, "On"}};
    EXPECT_EQ(enable.scalePoints, switchTexts);
    EXPECT_EQ(*enable.defaultValue, 1.0f);
    EXPECT_EQ(*port(kParamExternalSideChain).defaultValue, 0.0f);
}

TEST_P(Lv2PortsTest, LatencyOutputReportsTheEngineLatency)
{
    ASSERT_NE(plugin(), nullptr);
    EXPECT_EQ(lilv_plugin_get_latency_port_index(plugin()), lv2::PortLayout::latency());
    const PortDescription latency = describePort(bundle(), plugin(), lv2::PortLayout::latency());
    EXPECT_TRUE(latency.is(LV2_CORE__OutputPort) && latency.is(LV2_CORE__ControlPort));
    EXPECT_TRUE(latency.has(LV2_CORE__reportsLatency));
    EXPECT_EQ(latency.designation, LV2_CORE__latency);
    EXPECT_EQ(*latency.minimum, 0.0f);
    EXPECT_EQ(*latency.maximum, 960.0f); // 5 ms at the highest rate
}

TEST_P(Lv2PortsTest, MeterOutputsPerChannelInDecibels)
{
    ASSERT_NE(plugin(), nullptr);
    const lv2::PortLayout layout{variant().numChannels};
    for (int channel = 0; channel < variant().numChannels; ++channel)
    {
        for (const std::uint32_t index :
             {layout.gainReductionMeter(channel), layout.inputMeter(channel), layout.outputMeter(channel)})
        {
            const PortDescription meter = describePort(bundle(), plugin(), index);
            EXPECT_TRUE(meter.is(LV2_CORE__OutputPort) && meter.is(LV2_CORE__ControlPort)) << meter.symbol;
            EXPECT_EQ(meter.unit, LV2_UNITS__db) << meter.symbol;
        }
        const std::string suffix = variant().numChannels == 1 ? "" : (channel == 0 ? " L" : " R");
        EXPECT_EQ(describePort(bundle(), plugin(), layout.gainReductionMeter(channel)).name, "Gain Reduction" + suffix);
        EXPECT_EQ(describePort(bundle(), plugin(), layout.inputMeter(channel)).name, "Input Peak" + suffix);
        EXPECT_EQ(describePort(bundle(), plugin(), layout.outputMeter(channel)).name, "Output Peak" + suffix);
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, Lv2PortsTest, ::testing::ValuesIn(lv2::kPluginVariants), variantName);

} // namespace

} // namespace corvex::testing
