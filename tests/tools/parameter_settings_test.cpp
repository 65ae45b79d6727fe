// --set and --norm reach the engine as the user meant them, for every kind of
// parameter; the engine's read-back shows it and the sound follows.
#include "tests/tools/sound_files.h"
#include "tests/tools/tool_runner.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <regex>

namespace corvex::testing
{
namespace
{

class CorvexSettings : public ::testing::Test
{
protected:
    ScratchDirectory directory;

    void SetUp() override { writeSound(directory / "in.wav", noise(48000, 2, 0.5, 0.5), kFloatWav); }

    // The settings line the tool prints for one or more options.
    std::string settingsLine(const std::vector<std::string>& options)
    {
        std::vector<std::string> arguments = {"process", (directory / "in.wav").string(),
                                              (directory / "out.wav").string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const ToolResult result = runCorvex(arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        return lines(result.out).at(0);
    }

    // Largest and average gain reduction of channel 0 from the summary line.
    std::pair<double, double> reductionDb(const std::string& input, const std::vector<std::string>& options)
    {
        std::vector<std::string> arguments = {"process", (directory / input).string(),
                                              (directory / "out.wav").string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const ToolResult result = runCorvex(arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        std::smatch match;
        const std::regex pattern("gain reduction largest ([0-9.]+)\\S* dB, average ([0-9.]+)");
        if (!std::regex_search(result.out, match, pattern))
        {
            ADD_FAILURE() << "no summary in: " << result.out;
            return {0.0, 0.0};
        }
        return {std::stod(match[1]), std::stod(match[2])};
    }
};

TEST_F(CorvexSettings, EveryKindOfParameterTakesTheValueTheUserSees)
{
    EXPECT_EQ(settingsLine({"--set", "sc eq on=on"}), "settings: SC EQ On On");                         // switch
    EXPECT_EQ(settingsLine({"--set", "Ratio=all"}), "settings: Ratio All");                              // choice
    EXPECT_EQ(settingsLine({"--set", "SC Detection Mode=M ONLY"}), "settings: SC Detection Mode M only"); // choice
    EXPECT_EQ(settingsLine({"--set", "Output Gain=-30"}), "settings: Output Gain -30 dB");                // dB
    EXPECT_EQ(settingsLine({"--set", "GR Range=12 dB"}), "settings: GR Range 12 dB");                     // dB, falling
    EXPECT_EQ(settingsLine({"--set", "SC Time Warp=-2.5ms"}), "settings: SC Time Warp -2.5 ms");          // ms
    EXPECT_EQ(settingsLine({"--set", "SC EQ HPF Freq=100 Hz"}), "settings: SC EQ HPF Freq 100 Hz");       // Hz
    EXPECT_EQ(settingsLine({"--set", "Dry / Wet=25%"}), "settings: Dry / Wet 25 %");                      // %
    EXPECT_EQ(settingsLine({"--set", "Attack Time=2"}), "settings: Attack Time 2");                       // no unit
}

TEST_F(CorvexSettings, IdentifiersNormalizedValuesAndSeveralSettings)
{
    EXPECT_EQ(settingsLine({"--set", "5=8"}), "settings: Ratio 8");
    EXPECT_EQ(settingsLine({"--norm", "Ratio=0.9"}), "settings: Ratio All");
    EXPECT_EQ(settingsLine({"--norm", "1=0.25"}), "settings: Input Gain -36 dB");
    EXPECT_EQ(settingsLine({"--set", "Release Time=7", "--set", "sc listen=Off", "--norm", "Dry / Wet=0.5"}),
              "settings: Release Time 7, SC Listen Off, Dry / Wet 50 %");
}

TEST_F(CorvexSettings, HigherRatioReducesMore)
{
    writeSound(directory / "loud.wav", noise(48000, 2, 1.0, 0.9), kFloatWav);
    const auto [largestAt4, averageAt4] = reductionDb("loud.wav", {"--set", "Ratio=4"});
    const auto [largestAtAll, averageAtAll] = reductionDb("loud.wav", {"--set", "Ratio=All"});
    EXPECT_GT(averageAt4, 1.0);
    EXPECT_GT(averageAtAll, averageAt4 + 1.0);
    EXPECT_GT(largestAtAll, largestAt4);
}

TEST_F(CorvexSettings, HighPassInTheSideChainIgnoresTheBass)
{
    writeSound(directory / "bass.wav", sine(48000, 1, 1.0, 50.0, 0.9), kFloatWav);
    const double plain = reductionDb("bass.wav", {}).second;
    const double filtered = reductionDb("bass.wav", {"--set", "SC EQ On=On", "--set", "SC EQ HPF On=On", "--set",
                                                     "SC EQ HPF Freq=1200 Hz"})
                                .second;
    EXPECT_GT(plain, 1.0);
    EXPECT_LT(filtered, plain - 1.0);
}

TEST_F(CorvexSettings, DryMixGivesTheInputBack)
{
    const Sound input = readSound(directory / "in.wav");
    settingsLine({"--set", "Dry / Wet=0 %"});
    const Sound output = readSound(directory / "out.wav");
    ASSERT_EQ(output.samples.size(), input.samples.size());
    for (std::size_t index = 0; index < input.samples.size(); ++index)
        ASSERT_NEAR(output.samples[index], input.samples[index], 1e-6) << index;
}

TEST_F(CorvexSettings, OutputGainScalesTheOutput)
{
    writeSound(directory / "quiet.wav", sine(48000, 1, 1.0, 1000.0, 0.05), kFloatWav);
    reductionDb("quiet.wav", {"--set", "Output Gain=-24"});
    const double unity = peakDb(readSound(directory / "out.wav"), 0, 24000, 48000);
    reductionDb("quiet.wav", {"--set", "Output Gain=-30"});
    const double lowered = peakDb(readSound(directory / "out.wav"), 0, 24000, 48000);
    EXPECT_NEAR(unity - lowered, 6.0, 0.5);
}

} // namespace
} // namespace corvex::testing
