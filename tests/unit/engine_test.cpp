#include "corvex_engine.h"
#include "tests/support/engine_driver.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

// The engine's interface as a host sees it: every failed check with its report
// and fallback, the parameter table, the text copy rule and the lifecycle; then
// properties of the sound through the whole engine: nulls, glides, levels, meters
// and values beyond the float range.
namespace
{

using namespace corvex::testing;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
// The checked condition of the reporting lines of model/corvex_modelengine.
const std::map<int, std::string> kConditions = {
    {100, "inSampleRate > 0"}, {101, "inSampleRate <= kCorvexMaxSampleRate"},
    {372, "inNumSamples > 0 && inNumSamples <= kCorvexMaxBufferSize"},
    {374, "inNumChannels > 0 && inNumChannels <= kCorvexMaxNumChannels"},
    {376, "inBuffer != nullptr && outBuffer != nullptr"}, {378, "inBuffer[c] != nullptr && outBuffer[c] != nullptr"},
    {404, "inMeterId >= 0 && inMeterId < CorvexMeterIds::kNumMeters"}};

// Each "line message" as a whole report: level 3, the file, the line's condition and the message.
std::vector<std::string> fullReports(const std::vector<std::string>& reports)
{
    std::vector<std::string> full;
    for (const std::string& r : reports)
    {
        const std::string message = r.substr(4);
        const std::string condition =
            message.starts_with("Invalid parameter ID") ? "inParameterId >= 0 && inParameterId < CorvexParameterIds::kNumParameters"
            : message.starts_with("Invalid normalized") ? "inNormalizedValue >= 0 && inNormalizedValue <= 1"
                                                        : kConditions.at(std::stoi(r.substr(0, 3)));
        full.push_back("3 model/corvex_modelengine:" + r.substr(0, 3) + " " + condition + " | " + message);
    }
    return full;
}

std::string number(float value) { return (std::ostringstream() << value).str(); }
// A text operation's result as a host reads it, from a buffer of 'x' cut at the count.
std::string text(const std::function<void(char*)>& call)
{
    char buffer[33] = "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";
    call(buffer);
    return buffer;
}

using Call = std::function<std::string(CorvexEngine&)>;
Call set(int id, float v, int readBack = 0)
{
    return [=](CorvexEngine& e) { e.setNormalizedValue(id, v); return number(e.getNormalizedValue(readBack)); };
}
Call get(float (CorvexEngine::*getter)(int), int id) { return [=](CorvexEngine& e) { return number((e.*getter)(id)); }; }
Call display(int id, float v) { return [=](CorvexEngine& e) { return number(e.getDisplayValue(id, v)); }; }
Call textOf(void (CorvexEngine::*op)(int, char*, int), int id)
{
    return [=](CorvexEngine& e) { return text([&](char* t) { (e.*op)(id, t, 4); }); };
}
Call valueText(int id, float v)
{
    return [=](CorvexEngine& e) { return text([&](char* t) { e.getValueText(id, v, t, 9); }); };
}
Call rate(int r) { return [=](CorvexEngine& e) { e.setSampleRate(r); return std::to_string(e.getLatencySamples()); }; }
// One process call on zero input with marks (7.0) in the outputs; the result counts the zeros it wrote in each.
Call process(int channels, int samples, bool nullArrays = false, bool nullOutput1 = false)
{
    return [=](CorvexEngine& engine) {
        float in[3][33] = {}, out[3][33];
        std::fill(&out[0][0], &out[0][0] + 99, 7.0f);
        const float* inputs[3] = {in[0], in[1], in[2]};
        float* outputs[3] = {out[0], nullOutput1 ? nullptr : out[1], out[2]};
        engine.process(nullArrays ? nullptr : inputs, nullArrays ? nullptr : outputs, nullptr, channels, samples);
        return std::to_string(std::count(out[0], out[0] + 33, 0.0f)) + "," + std::to_string(std::count(out[1], out[1] + 33, 0.0f));
    };
}

TEST(EngineContract, EveryFailedCheckReportsItsConditionAndFallsBack)
{
    const struct
    {
        Call run; // on an engine at 48 kHz: what the call returned or left behind
        std::string result;
        std::vector<std::string> reports; // "line message"
    } cases[] = {
        {set(25, 1.5f), "1", {"116 Invalid parameter ID: 25", "118 Invalid normalized value: 1.5"}},
        {set(2, 7.0f, 2), "1", {"118 Invalid normalized value: 7"}},
        {set(2, kNaN, 2), "0", {"118 Invalid normalized value: nan"}},
        {set(2, kInf, 2), "1", {"118 Invalid normalized value: inf"}},
        {set(1, 1234567.0f, 1), "1", {"118 Invalid normalized value: 1.23457e+06"}},
        {set(1, -1.0f / 3.0f, 1), "0", {"118 Invalid normalized value: -0.333333"}}, {set(1, 1e-7f, 1), number(1e-7f), {}},
        {get(&CorvexEngine::getNormalizedValue, 20), "0", {"172 Invalid parameter ID: 20"}},
        {get(&CorvexEngine::getCurrentDisplayValue, -7), "0", {"214 Invalid parameter ID: -7"}},
        {display(2147483647, -1.0f), "0", {"221 Invalid parameter ID: 2147483647", "223 Invalid normalized value: -1"}},
        {display(1, 2.0f), "48", {"223 Invalid normalized value: 2"}},
        {get(&CorvexEngine::getMeterValue, 6), "0", {"404 Invalid meter ID: 6"}},
        {textOf(&CorvexEngine::getParameterUnit, 20), "", {"179 Invalid parameter ID: 20"}},
        {textOf(&CorvexEngine::getParameterName, -2147483647 - 1), "", {"332 Invalid parameter ID: -2147483648"}},
        {textOf(&CorvexEngine::getCurrentValueText, 99), "", {"286 Invalid parameter ID: 99"}},
        {valueText(40, 0.25f), "", {"294 Invalid parameter ID: 40"}},
        {valueText(0, -0.5f), "Off", {"296 Invalid normalized value: -0.5"}},
        {valueText(5, -3.0f), "4", {"296 Invalid normalized value: -3"}},
        {valueText(5, kNaN), "4", {"296 Invalid normalized value: nan"}},
        {valueText(7, 1e30f), "S only", {"296 Invalid normalized value: 1e+30"}},
        {valueText(19, 3.0f), "On", {"296 Invalid normalized value: 3"}},
        // Texts are copied like strncpy: cut at the count without a terminator, nothing written beyond.
        {textOf(&CorvexEngine::getParameterName, 7), "SC D" + std::string(28, 'x'), {}},
        {rate(0), "240", {"100 Invalid sample rate: 0"}},
        {rate(192001), "240", {"101 Sample rate not supported: 192001"}}, {rate(1), "0", {}},
        {process(1, 0), "0,0", {"372 Number of samples is too large: 0"}},
        {process(1, 33), "0,0", {"372 Number of samples is too large: 33"}},
        {process(0, 32), "0,0", {"374 Invalid number of channels: 0"}},
        {process(3, 32), "0,0", {"374 Invalid number of channels: 3"}},
        {process(1, 32, true), "0,0", {"376 Invalid I/O buffers"}},
        {process(5, 40, true), "0,0",
         {"372 Number of samples is too large: 40", "374 Invalid number of channels: 5", "376 Invalid I/O buffers"}},
        // Only the outputs that the passed checks prove reachable are silenced, up to the count.
        {process(2, 4, false, true), "4,0", {"378 Invalid I/O channels"}}, {process(1, 32), "32,0", {}},
        {process(2, 1), "1,1", {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.reports.empty() ? c.result : c.reports[0]);
        auto engine = makeEngine(48000);
        ReportCapture capture;
        EXPECT_EQ(c.run(*engine), c.result);
        EXPECT_EQ(capture.described(), fullReports(c.reports));
    }
}

TEST(EngineContract, ParameterTable)
{
    const struct
    {
        int id;
        const char *name, *unit;
        float defaultValue;
        double display[3];    // at 0, 0.25 and 1
        const char* texts[3]; // at 0, 0.5 and 1
    } rows[] = {
        {0, "Enable Effect", "", 1.0f, {0, 0, 0}, {"Off", "On", "On"}},
        {1, "Input Gain", "dB", 0.5f, {-48, -36, 0}, {"", "", ""}}, {2, "Output Gain", "dB", 0.5f, {-48, -36, 0}, {"", "", ""}},
        {3, "Attack Time", "", 0.5f, {1, 2.5, 7}, {"", "", ""}}, {4, "Release Time", "", 0.5f, {1, 2.5, 7}, {"", "", ""}},
        {5, "Ratio", "", 0.1f, {0, 0, 0}, {"4", "12", "All"}}, {6, "Dry / Wet", "%", 1.0f, {0, 25, 100}, {"", "", ""}},
        {7, "SC Detection Mode", "", 0.3f, {0, 0, 0}, {"Reversed", "Linked", "S only"}},
        {8, "SC Time Warp", "ms", 0.5f, {-5, -2.5, 10}, {"", "", ""}}, {9, "SC EQ On", "", 0.0f, {0, 0, 0}, {"Off", "On", "On"}},
        {10, "SC EQ HPF On", "", 0.0f, {0, 0, 0}, {"Off", "On", "On"}},
        {11, "SC EQ LPF On", "", 0.0f, {0, 0, 0}, {"Off", "On", "On"}},
        {12, "SC EQ HPF Freq", "Hz", 0.0f, {20, 20 * std::pow(60.0, 0.25), 1200}, {"", "", ""}},
        {13, "SC EQ Bell Freq", "Hz", 0.5f, {30, 30 * std::pow(16000.0 / 30.0, 0.25), 16000}, {"", "", ""}},
        {14, "SC EQ Bell Gain", "dB", 0.5f, {-12, -6, 12}, {"", "", ""}},
        {15, "SC EQ LPF Freq", "Hz", 1.0f, {3000, 3000 * std::pow(20.0 / 3.0, 0.25), 20000}, {"", "", ""}},
        {16, "GR Range", "dB", 0.0f, {100, 30, 0}, {"", "", ""}},
        {17, "External SC Gain", "dB", 0.5f, {-24, -12, 24}, {"", "", ""}},
        {18, "External SC", "", 0.0f, {0, 0, 0}, {"Off", "On", "On"}}, {19, "SC Listen", "", 0.0f, {0, 0, 0}, {"Off", "On", "On"}},
    };
    auto engine = makeEngine(48000);
    ReportCapture capture;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(text([&](char* t) { engine->getParameterName(row.id, t, 32); }), row.name);
        EXPECT_EQ(text([&](char* t) { engine->getParameterUnit(row.id, t, 32); }), row.unit);
        EXPECT_EQ(engine->getNormalizedValue(row.id), row.defaultValue);
        const float at[3] = {0.0f, 0.25f, 1.0f};
        for (int i = 0; i < 3; ++i)
            EXPECT_FLOAT_EQ(engine->getDisplayValue(row.id, at[i]), static_cast<float>(row.display[i])) << at[i];
        EXPECT_EQ(engine->getCurrentDisplayValue(row.id), engine->getDisplayValue(row.id, row.defaultValue));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(valueText(row.id, 0.5f * static_cast<float>(i))(*engine), row.texts[i]) << 0.5 * i;
        engine->setNormalizedValue(row.id, 0.77f);
    }
    EXPECT_FALSE(std::signbit(engine->getDisplayValue(kParamGainReductionRange, 1.0f))) << "GR Range shows +0";
    // The choices change at their float edges: just below 0.2 is still "4", 0.2 is "8".
    EXPECT_EQ(valueText(kParamRatio, std::nextafter(0.2f, 0.0f))(*engine) + valueText(kParamRatio, 0.2f)(*engine) +
                  valueText(kParamRatio, std::nextafter(0.8f, 0.0f))(*engine) + valueText(kParamEnableEffect, std::nextafter(0.5f, 0.0f))(*engine),
              "4820Off");
    engine->resetParameters();
    for (const auto& row : rows)
        EXPECT_EQ(engine->getNormalizedValue(row.id), row.defaultValue) << row.name << " after the reset";
    EXPECT_EQ(capture.count(), 0u);
}

// Texts are copied like strncpy: padded with NUL up to the count, nothing written beyond
// (cut at the count: a row above). The fuzzer checks more lengths, natively only.
TEST(EngineContract, TextsArePaddedWithNulToTheCount)
{
    char buffer[12];
    std::fill_n(buffer, 12, 'x');
    makeEngine(48000)->getParameterName(kParamDryWet, buffer, 11);
    EXPECT_EQ(std::string(buffer, 12), std::string("Dry / Wet\0\0x", 12));
}

// Before the first rate there is no latency, and a valid call is silent and touches no meter.
TEST(EngineLifecycle, BeforeTheFirstRate)
{
    EnginePtr engine(createCorvexEngine());
    ReportCapture capture;
    EXPECT_STREQ(engine->getVersion(), "1.0.11");
    EXPECT_EQ(engine->getLatencySamples(), 0);
    const auto before = stream(*engine, Channels(2, std::vector<float>(32, 0.5f)));
    EXPECT_EQ(before.output, Channels(2, std::vector<float>(32, 0.0f)));
    EXPECT_EQ(before.meters[0], (std::array<float, kNumMeters>{}));
    EXPECT_EQ(capture.count(), 0u);
}

// Output equals the input delayed by the latency from sample `from` on: bit for bit, or within the tolerance.
::testing::AssertionResult isDelayedCopy(const Channels& input, const Channels& output, int latency, int from = 0,
                                         float tolerance = 0.0f)
{
    for (std::size_t c = 0; c < input.size(); ++c)
        for (std::size_t i = static_cast<std::size_t>(from); i < input[c].size(); ++i)
            if (!(std::fabs(output[c][i] - (i < static_cast<std::size_t>(latency) ? 0.0f : input[c][i - latency])) <= tolerance))
                return ::testing::AssertionFailure() << "channel " << c << ", sample " << i;
    return ::testing::AssertionSuccess();
}

// A switch or mix changed at a block boundary glides from the old sound A to the
// new sound B: out = f A + (1 - f) B, f falling from 1 by the coefficient per
// sample (applied after the sample for the bypass fade, before it for the mixers).
// (That the effect off from the start is the delayed input: host_behaviour_test.)
TEST(EngineSound, ChangesGlideAtTheirCoefficients)
{
    const std::tuple<int, float, float, double, bool> glides[] = { // parameter, from, to, coefficient, step first
        {kParamEnableEffect, 1, 0, 0.001, false}, {kParamDryWet, 1, 0, 0.0025, true}, {kParamSideChainListen, 0, 1, 0.0025, true}};
    const int length = 16384;
    const int switchSample = 640;
    const Channels input = {sine(1.0, 440.0, 48000, length)};
    for (const auto& [id, from, to, coefficient, stepFirst] : glides)
    {
        SCOPED_TRACE(id);
        const auto a = stream(*makeEngine(48000, {{id, from}}), input);
        const auto b = stream(*makeEngine(48000, {{id, to}}), input);
        auto engine = makeEngine(48000, {{id, from}});
        const auto out = stream(*engine, input, {}, 32, [&, id = id, to = to](int, int first) {
            if (first == switchSample)
                engine->setNormalizedValue(id, to);
        });
        double f = 1.0;
        int fadeSample = length;
        for (int i = switchSample; i < length; ++i)
        {
            if (stepFirst)
                f += (0.0 - f) * coefficient;
            if (i < switchSample + 9000)
            {
                ASSERT_NEAR(out.output[0][i], f * a.output[0][i] + (1.0 - f) * b.output[0][i], 2e-6) << i;
            }
            if (!stepFirst)
                f += (0.0 - f) * coefficient;
            fadeSample = f < 0.0001 ? std::min(fadeSample, i) : fadeSample;
        }
        // Fully dry: the delayed input, bit for bit, while the model compresses.
        EXPECT_TRUE(id != kParamDryWet || (isDelayedCopy(input, b.output, 240) && b.meters.back()[kMeterGainReduction0] < 1.0f));
        if (id != kParamEnableEffect)
            continue;
        // The fade falls below 0.0001 9206 samples on; from the next block only the light path runs.
        EXPECT_NEAR(fadeSample - switchSample, 9206, 2);
        const int fadeEnd = (fadeSample / 32 + 1) * 32;
        EXPECT_LT(out.meters[fadeEnd / 32 - 1][kMeterGainReduction0], 1.0f);
        EXPECT_EQ(out.meters[fadeEnd / 32][kMeterGainReduction0], 1.0f);
        EXPECT_TRUE(isDelayedCopy(input, out.output, 240, fadeEnd));
    }
}

// Listen plays the side chain, delayed by the latency, whatever the ratio.
TEST(EngineSound, ListenIsTheSideChainDelayedByTheLatency)
{
    const Channels input = {sine(0.9, 200.0, 48000, 4096), sine(0.9, 300.0, 48000, 4096)};
    const Channels sideChain = {noise(0.5, 4096, 21), noise(0.5, 4096, 22)};
    for (float ratio : {0.0f, 1.0f})
        EXPECT_TRUE(isDelayedCopy(sideChain, stream(*makeEngine(48000, {{kParamSideChainListen, 1}, {kParamExternalSideChain, 1},
                                                                        {kParamRatio, ratio}}), input, sideChain).output,
                                  240, 0, 1e-6f)) << "ratio " << ratio;
}

// Steady peak level in dB of a 1 kHz sine at the input level, and the last reduction meter.
std::pair<double, double> steadyLevels(double inputDb, float ratio, float range = 0.0f)
{
    const auto result = stream(*makeEngine(48000, {{kParamRatio, ratio}, {kParamGainReductionRange, range}}),
                               {sine(std::pow(10.0, inputDb / 20.0), 1000.0, 48000, 96000)});
    return {rmsDb(result.output[0], 72000, 96000) + 3.0103, 20.0 * std::log10(result.meters.back()[0])};
}

TEST(EngineSound, HigherRatiosFlattenTheStaticCurveAndTheMeterShowsTheReduction)
{
    double previousSlope = 1.0;
    for (float ratio : {0.1f, 0.3f, 0.5f, 0.7f, 0.9f})
    {
        const auto [loudDb, meterDb] = steadyLevels(0.0, ratio);
        const double slope = (loudDb - steadyLevels(-12.0, ratio).first) / 12.0;
        EXPECT_TRUE(slope < previousSlope && loudDb < -3.0) << "ratio " << ratio << ": slope " << slope << ", " << loudDb << " dB";
        // The meter's reduction agrees with the level within the colour of the output stages.
        EXPECT_NEAR(meterDb, loudDb, 1.5) << "ratio " << ratio;
        previousSlope = slope;
    }
    EXPECT_EQ(steadyLevels(0.0, 1.0f, 1.0f).second, 0.0) << "a GR Range of 0 dB forbids any reduction";
}

// First sample whose reduction meter (one block per sample) shows reduction.
int onsetOfReduction(float timeWarp)
{
    std::vector<float> burst(8000, 0.0f);
    const auto tone = sine(1.0, 1000.0, 48000, 4000);
    burst.insert(burst.end(), tone.begin(), tone.end());
    const auto result = stream(*makeEngine(48000, {{kParamSideChainTimeWarp, timeWarp}}), {burst}, {}, 1);
    for (std::size_t i = 0; i < result.meters.size(); ++i)
        if (result.meters[i][kMeterGainReduction0] < 0.99f)
            return static_cast<int>(i);
    return -1;
}

TEST(EngineSound, TimeWarpShiftsTheOnsetByItsLength)
{
    const int plain = onsetOfReduction(0.5f);
    ASSERT_GT(plain, 8240);
    EXPECT_NEAR(plain - onsetOfReduction(0.0f), 240, 1) << "-5 ms: 240 samples of look-ahead";
    EXPECT_NEAR(onsetOfReduction(0.75f) - plain, 240, 1) << "+5 ms";
}

TEST(EngineSound, LinkedReducesBothChannelsAlikeDualOnlyTheLoudOne)
{
    const Channels input = {sine(1.0, 1000.0, 48000, 9600), std::vector<float>(9600, 0.0f)};
    const auto dual = stream(*makeEngine(48000, {{kParamSideChainDetectionMode, 0.3f}}), input).meters;
    const auto linked = stream(*makeEngine(48000, {{kParamSideChainDetectionMode, 0.5f}}), input).meters;
    for (std::size_t b = 0; b < dual.size(); ++b)
        ASSERT_TRUE(dual[b][1] > 0.9999f && linked[b][1] == linked[b][0]) << "block " << b;
    EXPECT_TRUE(dual.back()[0] < 0.7f && linked.back()[1] < 0.7f);
}

// Non-finite input enters as silence: the output stays finite and the compressor goes
// on. (host_behaviour_test compares whole streams of them with silence, natively only.)
TEST(EngineSound, NonFiniteInputNeverLeavesNonFinite)
{
    auto loud = sine(1.0, 1000.0, 48000, 48000);
    loud[100] = std::numeric_limits<float>::quiet_NaN();
    loud[101] = std::numeric_limits<float>::infinity();
    loud[102] = -loud[101];
    const auto out = stream(*makeEngine(48000), {loud});
    EXPECT_TRUE(std::all_of(out.output[0].begin(), out.output[0].end(), [](float x) { return std::isfinite(x); }));
    EXPECT_LT(out.meters.back()[kMeterGainReduction0], 0.9f) << "the compressor goes on compressing";
    EXPECT_GT(rmsDb(out.output[0], 24000, 48000), -30.0) << "and passes audio";
}

// Output beyond the float range leaves as the largest float of its sign. In "M only"
// mono blocks move only the mid coefficient of the input matrix, so the next stereo
// block's mid of full-scale input lies beyond the float range: the meter reads the
// largest float there, as the output would, never infinity.
TEST(EngineSound, OutputAndMetersBeyondTheFloatRangeReadTheLargestFloat)
{
    std::vector<float> huge(1024);
    for (std::size_t i = 0; i < huge.size(); ++i)
        huge[i] = (i / 64) % 2 == 0 ? 3.0e38f : -3.0e38f;
    const auto out = stream(*makeEngine(48000, {{kParamExternalSideChain, 1.0f}, {kParamExternalSideChainGain, 1.0f},
                                                {kParamSideChainListen, 1.0f}}),
                            {std::vector<float>(1024)}, {huge}).output[0];
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return std::isfinite(x); }));
    EXPECT_GT(std::count(out.begin(), out.end(), std::numeric_limits<float>::max()), 100);
    EXPECT_GT(std::count(out.begin(), out.end(), -std::numeric_limits<float>::max()), 100);

    auto engine = makeEngine(48000, {{kParamSideChainDetectionMode, 0.75f}});
    std::vector<float> samples(32, std::numeric_limits<float>::max()), left(32), right(32);
    const float* inputs[2] = {samples.data(), samples.data()};
    float* outputs[2] = {left.data(), right.data()};
    for (const auto& [channels, blocks] : {std::pair{2, 100}, std::pair{1, 300}, std::pair{2, 1}})
        for (int block = 0; block < blocks; ++block)
            engine->process(inputs, outputs, nullptr, channels, 32);
    EXPECT_EQ(engine->getMeterValue(kMeterInput0), std::numeric_limits<float>::max());
    for (int meter = 0; meter < kNumMeters; ++meter)
        EXPECT_TRUE(std::isfinite(engine->getMeterValue(meter))) << "meter " << meter;
}

} // namespace
