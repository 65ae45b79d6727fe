// lv2apply loads each plug-in from an installed copy of the bundle (found
// through LV2_PATH, the engine through the plug-in's own run path) and
// processes a WAV file whose last channels feed the side-chain inputs: a steady
// tone, with a loud side chain in the second second only. With the external
// side chain switched on, the output drops when the side chain starts.
#include "plugins/lv2/plugin_variants.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace
{

class Lv2ApplyTest : public ::testing::TestWithParam<corvex::lv2::PluginVariant>
{
};

TEST_P(Lv2ApplyTest, ExternalSideChainFileReducesTheOutput)
{
    constexpr int kRate = 48000;
    const int n = GetParam().numChannels;
    const std::filesystem::path work = std::filesystem::path(CORVEX_LV2_WORK_DIR) / (n == 1 ? "mono" : "stereo");
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    std::vector<float> frames;
    for (int frame = 0; frame < 2 * kRate; ++frame)
    {
        const double time = static_cast<double>(frame) / kRate;
        frames.insert(frames.end(), n, static_cast<float>(0.25 * std::sin(2.0 * std::numbers::pi * 1000.0 * time)));
        frames.insert(frames.end(), n, time < 1.0 ? 0.0f : static_cast<float>(0.9 * std::sin(2.0 * std::numbers::pi * 100.0 * time)));
    }
    SF_INFO info{0, kRate, 2 * n, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* file = sf_open((work / "in.wav").c_str(), SFM_WRITE, &info);
    ASSERT_EQ(sf_writef_float(file, frames.data(), 2 * kRate), 2 * kRate);
    sf_close(file);

    const std::string command = "env -u LD_LIBRARY_PATH LV2_PATH='" CORVEX_LV2_INSTALLED_DIR "' '" CORVEX_LV2APPLY
                                "' -c external_sc 1 -i '" + (work / "in.wav").string() + "' -o '" +
                                (work / "out.wav").string() + "' " + GetParam().uri + " 2> '" +
                                (work / "log").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command << '\n' << std::ifstream(work / "log").rdbuf();
    info = {};
    file = sf_open((work / "out.wav").c_str(), SFM_READ, &info);
    ASSERT_EQ(info.channels, n);
    ASSERT_EQ(sf_readf_float(file, frames.data(), 2 * kRate), 2 * kRate);
    sf_close(file);
    for (int c = 0; c < n; ++c)
    {
        const auto rms = [&](double fromSeconds) {
            double sum = 0.0;
            for (int frame = static_cast<int>(fromSeconds * kRate); frame < static_cast<int>((fromSeconds + 0.5) * kRate); ++frame)
                sum += frames[frame * n + c] * frames[frame * n + c];
            return std::sqrt(sum / (0.5 * kRate));
        };
        EXPECT_GT(rms(0.5), 0.05) << "channel " << c;
        EXPECT_LT(rms(1.5), 0.5 * rms(0.5)) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, Lv2ApplyTest, ::testing::ValuesIn(corvex::lv2::kPluginVariants),
                         [](const auto& info) { return std::string(info.param.numChannels == 1 ? "Mono" : "Stereo"); });

} // namespace
