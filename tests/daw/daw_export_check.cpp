// What Ardour made of the stereo plug-in (export_in_ardour.lua): the exported
// file against the engine fed the same signal directly, the latency Ardour read
// and compensated, and the meters read while the session played.
//
//   corvex_daw_check --write-signal WAV   writes the signal; prints "frames meterFrom meterTo"
//   corvex_daw_check WORK_DIR             checks WORK_DIR/export.wav and WORK_DIR/results.txt
#include "libraries/host/display_value_inversion.h"
#include "libraries/host/parameter_description.h"
#include "plugins/corvex/meter_level.h"
#include "tests/support/engine_driver.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

namespace
{

using corvex::testing::Channels;

constexpr int kRate = 48000;
// 0.5 s of silence, 0.5 s of a quiet 1 kHz tone, 1 s of the tone 24 dB louder
// (the right channel 6 dB below the left, so a swap shows), 0.5 s of silence.
constexpr int kQuietStart = 24000;
constexpr int kLoudStart = 48000;
constexpr int kLoudEnd = 96000;
constexpr int kFrames = 120000;
constexpr double kQuietPeak = 0.031622776601683794; // -30 dBFS
constexpr double kLoudPeak[2] = {0.5, 0.25};
// Levels are measured once the attack has settled.
constexpr int kSettleFrames = 9600;
// The meters are read while playing the second half of the loud part.
constexpr int kMeterFrom = kLoudStart + kSettleFrames;

std::filesystem::path workDir;

Channels signal()
{
    const std::vector<float> tone = corvex::testing::sine(1.0, 1000.0, kRate, kFrames);
    Channels channels(2, std::vector<float>(kFrames, 0.0f));
    for (int c = 0; c < 2; ++c)
    {
        for (int i = kQuietStart; i < kLoudEnd; ++i)
            channels[c][i] = static_cast<float>((i < kLoudStart ? kQuietPeak : kLoudPeak[c]) * tone[i]);
    }
    return channels;
}

// The engine with the settings the session script gives the plug-in, through
// the conversions the plug-in uses: input gain +12 dB, output gain -12 dB, ratio "20".
corvex::testing::EnginePtr referenceEngine()
{
    auto probe = corvex::testing::makeEngine(kRate);
    return corvex::testing::makeEngine(
        kRate, {{kParamInputGain, *corvex::host::normalizedFromDisplayValue(*probe, kParamInputGain, -12.0f)},
                {kParamOutputGain, *corvex::host::normalizedFromDisplayValue(*probe, kParamOutputGain, -36.0f)},
                {kParamRatio, corvex::host::describeParameter(*probe, kParamRatio).choices[3].normalizedValue}});
}

int firstAbove(const std::vector<float>& samples, float level)
{
    return static_cast<int>(std::find_if(samples.begin(), samples.end(), [&](float s) { return std::abs(s) > level; }) -
                            samples.begin());
}

class ArdourExport : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        SF_INFO info{};
        SNDFILE* file = sf_open((workDir / "export.wav").c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        ASSERT_EQ(info.channels, 2);
        ASSERT_EQ(info.samplerate, kRate);
        ASSERT_EQ(info.frames, kFrames);
        std::vector<float> interleaved(2 * kFrames);
        ASSERT_EQ(sf_readf_float(file, interleaved.data(), kFrames), kFrames);
        sf_close(file);
        exported = Channels(2, std::vector<float>(kFrames));
        for (int i = 0; i < 2 * kFrames; ++i)
            exported[i % 2][i / 2] = interleaved[i];

        input = signal();
        std::ifstream lines(workDir / "results.txt");
        for (std::string line; std::getline(lines, line);)
            results[line.substr(0, line.rfind(' '))] = std::stod(line.substr(line.rfind(' ') + 1));

        // The engine's output for the signal, long enough to cover its latency.
        auto engine = referenceEngine();
        latency = engine->getLatencySamples();
        Channels padded = input;
        for (auto& channel : padded)
            channel.resize(kFrames + latency, 0.0f);
        reference = corvex::testing::stream(*engine, padded);
    }

    static inline Channels input;
    static inline Channels exported;
    static inline std::map<std::string, double> results;
    static inline int latency = 0;
    static inline corvex::testing::StreamResult reference;
};

TEST_F(ArdourExport, ReadsTheLatencyAndCompensatesIt)
{
    EXPECT_EQ(latency, 240); // 5 ms at 48 kHz
    EXPECT_EQ(results["latency"], latency);
    // The plug-in delays the tone's first sample by its latency; Ardour plays the
    // track that much earlier, so the export starts the tone where the file does.
    for (int c = 0; c < 2; ++c)
    {
        SCOPED_TRACE(c);
        EXPECT_EQ(firstAbove(input[c], 1e-3f), kQuietStart + 1);
        EXPECT_EQ(firstAbove(reference.output[c], 1e-3f), kQuietStart + 1 + latency);
        EXPECT_EQ(firstAbove(exported[c], 1e-3f), kQuietStart + 1);
    }
}

TEST_F(ArdourExport, IsTheEngineOutputAdvancedByItsLatency)
{
    // Ardour runs the plug-in in host blocks of 1024 frames, so the engine gets
    // calls of 32 samples as the reference does: the same numbers, to the bit.
    for (int c = 0; c < 2; ++c)
    {
        double largest = 0.0;
        for (int i = 0; i < kFrames; ++i)
            largest = std::max(largest, std::abs(static_cast<double>(exported[c][i]) - reference.output[c][i + latency]));
        EXPECT_EQ(largest, 0.0) << "channel " << c;
    }
}

TEST_F(ArdourExport, CompressesTheLoudPartOnly)
{
    using corvex::testing::rmsDb;
    for (int c = 0; c < 2; ++c)
    {
        SCOPED_TRACE(c);
        // Below the threshold the +12 dB in and -12 dB out cancel.
        const double quietIn = rmsDb(input[c], kQuietStart + kSettleFrames, kLoudStart);
        const double quietOut = rmsDb(exported[c], kQuietStart + kSettleFrames, kLoudStart);
        EXPECT_NEAR(quietOut, quietIn, 0.5);
        // The step up to the loud part comes out at least four times smaller.
        const double stepIn = rmsDb(input[c], kMeterFrom, kLoudEnd) - quietIn;
        const double stepOut = rmsDb(exported[c], kMeterFrom, kLoudEnd) - quietOut;
        EXPECT_LT(stepOut, stepIn / 4.0);
    }
}

TEST_F(ArdourExport, MetersShowTheLoudPartWhilePlaying)
{
    EXPECT_GE(results["position"], kMeterFrom);
    EXPECT_LT(results["position"], kLoudEnd);
    // A meter holds its extreme over a host block: it lies within what the
    // engine's meters show over the settled loud part, far from their idle values.
    const std::pair<const char*, int> meters[] = {
        {"Gain Reduction L", kMeterGainReduction0}, {"Gain Reduction R", kMeterGainReduction1},
        {"Input Peak L", kMeterInput0},             {"Input Peak R", kMeterInput1},
        {"Output Peak L", kMeterOutput0},           {"Output Peak R", kMeterOutput1}};
    for (const auto& [name, meter] : meters)
    {
        SCOPED_TRACE(name);
        ASSERT_EQ(results.count(name), 1u);
        float lowest = 0.0f;
        float highest = corvex::plugin::kMeterFloorDb;
        for (int block = kMeterFrom / 32; block < kLoudEnd / 32; ++block)
        {
            const float db = corvex::plugin::meterLevelDb(reference.meters[block][meter]);
            lowest = std::min(lowest, db);
            highest = std::max(highest, db);
        }
        EXPECT_GE(results[name], lowest - 0.01);
        EXPECT_LE(results[name], highest + 0.01);
    }
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--write-signal")
    {
        const Channels channels = signal();
        std::vector<float> interleaved(2 * kFrames);
        for (int i = 0; i < 2 * kFrames; ++i)
            interleaved[i] = channels[i % 2][i / 2];
        SF_INFO info{kFrames, kRate, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
        SNDFILE* file = sf_open(argv[2], SFM_WRITE, &info);
        if (file == nullptr || sf_writef_float(file, interleaved.data(), kFrames) != kFrames)
            return 1;
        sf_close(file);
        std::cout << kFrames << ' ' << kMeterFrom << ' ' << kLoudEnd << '\n';
        return 0;
    }
    workDir = argc == 2 ? argv[1] : "";
    return RUN_ALL_TESTS();
}
