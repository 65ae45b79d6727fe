// A host nobody here wrote: lv2apply loads each plug-in from an installed copy
// of the bundle (found through LV2_PATH, with the engine found through the
// plug-in's own run path) and processes a WAV file whose last channels feed the
// side-chain inputs.
#include "plugins/lv2/plugin_variants.h"
#include "tests/lv2/variant_name.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace corvex::testing
{

namespace
{

constexpr int kSampleRate = 48000;
constexpr sf_count_t kNumFrames = 2 * kSampleRate;

const std::filesystem::path kInstalledBundle = std::filesystem::path(CORVEX_LV2_INSTALLED_DIR) / "corvex.lv2";

// Interleaved frames of a WAV file.
struct WavFile
{
    int numChannels = 0;
    std::vector<float> samples;

    sf_count_t numFrames() const { return numChannels == 0 ? 0 : static_cast<sf_count_t>(samples.size()) / numChannels; }
    float at(sf_count_t frame, int channel) const { return samples[static_cast<std::size_t>(frame * numChannels + channel)]; }
};

void writeWav(const std::filesystem::path& path, const WavFile& wav)
{
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = wav.numChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* const file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(sf_writef_float(file, wav.samples.data(), wav.numFrames()), wav.numFrames());
    sf_close(file);
}

WavFile readWav(const std::filesystem::path& path)
{
    SF_INFO info{};
    SNDFILE* const file = sf_open(path.c_str(), SFM_READ, &info);
    WavFile wav;
    if (file == nullptr)
        return wav;
    wav.numChannels = info.channels;
    wav.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, wav.samples.data(), info.frames);
    sf_close(file);
    EXPECT_EQ(info.samplerate, kSampleRate);
    return wav;
}

double rms(const WavFile& wav, int channel, double fromSeconds, double toSeconds)
{
    double sum = 0.0;
    const auto first = static_cast<sf_count_t>(fromSeconds * kSampleRate);
    const auto last = static_cast<sf_count_t>(toSeconds * kSampleRate);
    for (sf_count_t frame = first; frame < last; ++frame)
        sum += static_cast<double>(wav.at(frame, channel)) * wav.at(frame, channel);
    return std::sqrt(sum / static_cast<double>(last - first));
}

std::string shellQuoted(const std::string& text)
{
    return "'" + text + "'";
}

std::string commandOutput(const std::string& command)
{
    std::string output;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr)
        output += buffer;
    return output;
}

class Lv2ApplyTest : public ::testing::TestWithParam<lv2::PluginVariant>
{
};

TEST(Lv2ApplyInstall, InstalledPluginFindsTheEngineBesideTheBundle)
{
    const std::filesystem::path binary = kInstalledBundle / "corvex.so";
    ASSERT_TRUE(std::filesystem::exists(binary)) << binary;
    EXPECT_TRUE(std::filesystem::exists(kInstalledBundle / "manifest.ttl"));
    EXPECT_TRUE(std::filesystem::exists(kInstalledBundle / "corvex.ttl"));
    const std::string dynamic = commandOutput("readelf -d " + shellQuoted(binary.string()));
    EXPECT_NE(dynamic.find("libcorvex-engine.so"), std::string::npos) << dynamic;
    EXPECT_NE(dynamic.find("[$ORIGIN/../..]"), std::string::npos) << dynamic;
    EXPECT_TRUE(std::filesystem::exists(kInstalledBundle.parent_path().parent_path() / "libcorvex-engine.so.1"));
}

// A steady tone, with a loud side chain in the second second only: with the
// external side chain switched on, the output drops when the side chain starts.
// Needs the real signal path.
TEST_P(Lv2ApplyTest, ExternalSideChainFileReducesTheOutput)
{
    const int channels = GetParam().numChannels;
    const std::filesystem::path work = std::filesystem::path(CORVEX_LV2_WORK_DIR) / (channels == 1 ? "mono" : "stereo");
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);

    WavFile input{2 * channels, std::vector<float>(static_cast<std::size_t>(kNumFrames * 2 * channels))};
    for (sf_count_t frame = 0; frame < kNumFrames; ++frame)
    {
        const double time = static_cast<double>(frame) / kSampleRate;
        for (int channel = 0; channel < channels; ++channel)
        {
            const std::size_t base = static_cast<std::size_t>(frame * input.numChannels);
            input.samples[base + channel] = static_cast<float>(0.25 * std::sin(2.0 * std::numbers::pi * 1000.0 * time));
            input.samples[base + channels + channel] =
                time < 1.0 ? 0.0f : static_cast<float>(0.9 * std::sin(2.0 * std::numbers::pi * 100.0 * time));
        }
    }
    writeWav(work / "in.wav", input);

    const std::string command = "env -u LD_LIBRARY_PATH LV2_PATH=" + shellQuoted(CORVEX_LV2_INSTALLED_DIR) + " " +
                                shellQuoted(CORVEX_LV2APPLY) + " -c external_sc 1 -i " +
                                shellQuoted((work / "in.wav").string()) + " -o " +
                                shellQuoted((work / "out.wav").string()) + " " + GetParam().uri + " 2> " +
                                shellQuoted((work / "lv2apply.log").string());
    ASSERT_EQ(std::system(command.c_str()), 0) << command << '\n'
                                               << std::ifstream(work / "lv2apply.log").rdbuf();

    const WavFile output = readWav(work / "out.wav");
    ASSERT_EQ(output.numChannels, channels);
    ASSERT_EQ(output.numFrames(), kNumFrames);
    for (int channel = 0; channel < channels; ++channel)
    {
        const double withoutSideChain = rms(output, channel, 0.5, 1.0);
        const double withSideChain = rms(output, channel, 1.5, 2.0);
        EXPECT_GT(withoutSideChain, 0.05) << "channel " << channel;
        EXPECT_LT(withSideChain, 0.5 * withoutSideChain) << "channel " << channel;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, Lv2ApplyTest, ::testing::ValuesIn(lv2::kPluginVariants), variantName);

} // namespace

} // namespace corvex::testing
