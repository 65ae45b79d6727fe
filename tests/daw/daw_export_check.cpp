// What Ardour made of the stereo plug-in (export_in_ardour.lua): the files
// exported at each host block size against the engine fed the same signal and
// the same input gain steps directly, the latency Ardour read and compensated,
// and the meters read while the session played.
//
//   corvex_daw_check --write-signal WAV   writes the signal; prints the script's
//                                         "frames meterFrom meterTo upAt downAt", then the block sizes
//   corvex_daw_check WORK_DIR             checks WORK_DIR/export-BLOCK.wav and WORK_DIR/results-BLOCK.txt
#include "libraries/host/parameter_description.h"
#include "plugins/corvex/meter_level.h"
#include "plugins/corvex/parameter_values.h"
#include "tests/support/engine_driver.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <ranges>
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
// The meters are read while playing the second half of the loud part, the attack settled.
constexpr int kMeterFrom = kLoudStart + 9600;
// The input gain's lane steps 12 dB up at kUpAt and back at kDownAt, samples
// of the settled loud part off the engine's 32-sample grid.
constexpr int kUpAt = 58007;
constexpr int kDownAt = 74003;
constexpr float kGain = -12.0f; // display value: +12 dB applied
constexpr float kGainUp = kGain + 12.0f;
// Ardour exports at each host block size; at 64 its latency pre-roll spans cycles.
constexpr int kBlockSizes[] = {1024, 64};

std::filesystem::path workDir;

Channels signal()
{
    const std::vector<float> tone = corvex::testing::sine(1.0, 1000.0, kRate, kFrames);
    Channels channels(2, std::vector<float>(kFrames, 0.0f));
    for (int c = 0; c < 2; ++c)
        for (int i = kQuietStart; i < kLoudEnd; ++i)
            channels[c][i] = static_cast<float>((i < kLoudStart ? kQuietPeak : kLoudPeak[c]) * tone[i]);
    return channels;
}

struct Reference
{
    Channels output;
    std::vector<std::pair<int, std::array<float, kNumMeters>>> meters; // after each call, by its first sample
};

using Lane = std::vector<std::pair<int, float>>; // input gain display values, each from its sample on

// The engine with the settings the session script gives the plug-in, through
// the conversions the plug-in uses: input gain +12 dB, output gain -12 dB, ratio
// "20"; fed the signal, padded to cover its latency, as the plug-in runs it: in
// calls that end on a 32-sample grid starting at gridPhase and at each point of
// the lane, which applies from its sample on.
Reference referenceOutput(const Channels& input, const Lane& points, int gridPhase)
{
    auto probe = corvex::testing::makeEngine(kRate);
    const auto plain = [&](int id, float value) { // what the plug-in sets for a plain value
        return *corvex::plugin::normalizedFromPlainValue(*probe, corvex::host::describeParameter(*probe, id), value);
    };
    auto engine = corvex::testing::makeEngine(kRate, {{kParamInputGain, plain(kParamInputGain, kGain)},
                                                      {kParamOutputGain, plain(kParamOutputGain, -36.0f)},
                                                      {kParamRatio, plain(kParamRatio, 3.0f)}});
    const int length = kFrames + engine->getLatencySamples();
    Reference reference{Channels(2, std::vector<float>(length, 0.0f)), {}};
    Channels padded = input;
    for (auto& channel : padded)
        channel.resize(length, 0.0f);
    auto next = points.begin();
    for (int start = 0, end = 0; start < length; start = end)
    {
        for (; next != points.end() && next->first == start; ++next)
            engine->setNormalizedValue(kParamInputGain, plain(kParamInputGain, next->second));
        end = std::min((start + 32 - gridPhase) / 32 * 32 + gridPhase, length);
        if (next != points.end())
            end = std::min(end, next->first);
        const float* in[2] = {padded[0].data() + start, padded[1].data() + start};
        float* out[2] = {reference.output[0].data() + start, reference.output[1].data() + start};
        engine->process(in, out, nullptr, 2, end - start);
        reference.meters.emplace_back(start, std::array<float, kNumMeters>{});
        for (int m = 0; m < kNumMeters; ++m)
            reference.meters.back().second[m] = engine->getMeterValue(m);
    }
    return reference;
}

// The first of kFrames samples that differs from `other` (kFrames: none), and how many do.
std::pair<int, int> firstAndCount(const float* samples, const float* other)
{
    const int count = static_cast<int>(
        std::ranges::count_if(std::views::iota(0, kFrames), [&](int i) { return samples[i] != other[i]; }));
    return {static_cast<int>(std::mismatch(samples, samples + kFrames, other).first - samples), count};
}

class ArdourExport : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        for (const int block : kBlockSizes)
        {
            const std::filesystem::path path = workDir / ("export-" + std::to_string(block) + ".wav");
            SF_INFO info{};
            SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
            ASSERT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
            ASSERT_EQ(info.channels, 2);
            ASSERT_EQ(info.samplerate, kRate);
            ASSERT_EQ(info.frames, kFrames);
            std::vector<float> interleaved(2 * kFrames);
            ASSERT_EQ(sf_readf_float(file, interleaved.data(), kFrames), kFrames);
            sf_close(file);
            Channels& channels = exported[block] = Channels(2, std::vector<float>(kFrames));
            for (int i = 0; i < 2 * kFrames; ++i)
                channels[i % 2][i / 2] = interleaved[i];
            std::ifstream lines(workDir / ("results-" + std::to_string(block) + ".txt"));
            for (std::string line; std::getline(lines, line);)
                results[block][line.substr(0, line.rfind(' '))] = std::stod(line.substr(line.rfind(' ') + 1));
        }

        // Ardour plays the track `latency` samples ahead of the timeline to
        // compensate the plug-in's latency, but reads the lane at the timeline's
        // position: the plug-in takes each point that much later in the audio.
        // Every cycle Ardour runs is a whole host block but for its latency
        // pre-roll, which runs the plug-in for whole blocks less `latency`
        // frames before the file's first sample: the plug-in's 32-sample grid
        // lies (-latency mod 32) samples off the file's, at every block size.
        latency = corvex::testing::makeEngine(kRate)->getLatencySamples();
        const int gridPhase = (32 - latency % 32) % 32;
        reference = referenceOutput(signal(),
                                    {{kUpAt - 1 + latency, kGain},
                                     {kUpAt + latency, kGainUp},
                                     {kDownAt - 1 + latency, kGainUp},
                                     {kDownAt + latency, kGain}},
                                    gridPhase);
        withoutLane = referenceOutput(signal(), {}, gridPhase).output;
    }

    // The engine's output as the export has it: advanced by its latency.
    static const float* advanced(const std::vector<float>& output) { return output.data() + latency; }

    static inline std::map<int, Channels> exported; // by host block size
    static inline std::map<int, std::map<std::string, double>> results; // by host block size
    static inline int latency = 0;
    static inline Reference reference;
    static inline Channels withoutLane;
};

// Ardour (LV2) cuts the plug-in's run at each point of the lane, or the
// plug-in (VST3) cuts its run at each parameter point Ardour passes, and the
// plug-in ends its engine calls on its grid: the engine gets the reference's
// calls and values. The same numbers, to the bit, so the exports at all block
// sizes are the same and the latency is compensated. The lane is heard: the
// reference departs from the engine's output without it at the first step's
// sample plus the latency. At each block size Ardour ran the plug-in in blocks
// of that size, read its latency, the engine's, and read the meters while
// playing the settled loud part: a meter holds its extreme over a host block,
// so it lies within what the engine's meters show over that part, far from
// their idle values.
TEST_F(ArdourExport, ExportsTheEngineOutputAndReadsItsLatencyAndMeters)
{
    EXPECT_EQ(latency, 240); // 5 ms at 48 kHz
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(firstAndCount(advanced(reference.output[c]), advanced(withoutLane[c])).first, kUpAt + latency);
    const std::pair<const char*, int> meters[] = {
        {"Gain Reduction L", kMeterGainReduction0}, {"Gain Reduction R", kMeterGainReduction1},
        {"Input Peak L", kMeterInput0},             {"Input Peak R", kMeterInput1},
        {"Output Peak L", kMeterOutput0},           {"Output Peak R", kMeterOutput1}};
    for (const int block : kBlockSizes)
    {
        SCOPED_TRACE("block " + std::to_string(block));
        for (int c = 0; c < 2; ++c)
        {
            const auto [first, count] = firstAndCount(exported.at(block)[c].data(), advanced(reference.output[c]));
            EXPECT_EQ(count, 0) << "channel " << c << ": the first at " << first;
        }
        std::map<std::string, double>& values = results[block];
        EXPECT_EQ(values["block"], block);
        EXPECT_EQ(values["latency"], latency);
        EXPECT_GE(values["position"], kMeterFrom);
        EXPECT_LT(values["position"], kLoudEnd);
        for (const auto& [name, meter] : meters)
        {
            float lowest = 0.0f, highest = corvex::plugin::kMeterFloorDb;
            for (const auto& [start, engineMeters] : reference.meters)
                if (start >= kMeterFrom && start < kLoudEnd)
                {
                    lowest = std::min(lowest, corvex::plugin::meterLevelDb(engineMeters[meter]));
                    highest = std::max(highest, corvex::plugin::meterLevelDb(engineMeters[meter]));
                }
            ASSERT_EQ(values.count(name), 1u) << name;
            EXPECT_GE(values[name], lowest - 0.01) << name;
            EXPECT_LE(values[name], highest + 0.01) << name;
        }
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
        std::cout << kFrames << ' ' << kMeterFrom << ' ' << kLoudEnd << ' ' << kUpAt << ' ' << kDownAt;
        for (const int block : kBlockSizes)
            std::cout << ' ' << block;
        std::cout << '\n';
        return 0;
    }
    workDir = argc == 2 ? argv[1] : "";
    return RUN_ALL_TESTS();
}
