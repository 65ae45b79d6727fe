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

// The engine's interface as a host sees it: every failed check with its report
// and fallback, the parameter table, the text copy rule and the lifecycle.
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

} // namespace
