// The side-chain file drives the gain reduction, not the main input.
#include "tests/tools/csv_table.h"
#include "tests/tools/sound_files.h"
#include "tests/tools/tool_runner.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>

namespace corvex::testing
{
namespace
{

class CorvexSideChain : public ::testing::Test
{
protected:
    ScratchDirectory directory;

    // The deepest gain (most negative dB) of a channel's gain-reduction meter between two times.
    static double deepestGainDb(const CsvTable& meters, int channel, double fromSeconds, double toSeconds)
    {
        const std::size_t gain = meters.column("gain_reduction_" + std::to_string(channel) + "_db");
        double deepest = 0.0;
        for (const std::vector<double>& row : meters.rows)
        {
            if (row[0] > fromSeconds && row[0] <= toSeconds)
                deepest = std::min(deepest, row[gain]);
        }
        return deepest;
    }

    CsvTable processWithMeters(const std::string& input, std::vector<std::string> options)
    {
        std::vector<std::string> arguments = {"process", (directory / input).string(),
                                              (directory / "out.wav").string(), "--meters",
                                              (directory / "meters.csv").string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const ToolResult result = runCorvex(arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        return readCsv(directory / "meters.csv");
    }
};

TEST_F(CorvexSideChain, LoudSideChainCompressesASilentMain)
{
    writeSound(directory / "silent.wav", silence(48000, 2, 1.0), kFloatWav);
    writeSound(directory / "loud.wav", noise(48000, 2, 1.0, 0.9), kFloatWav);
    const CsvTable meters = processWithMeters("silent.wav", {"--sidechain", (directory / "loud.wav").string()});
    EXPECT_LT(deepestGainDb(meters, 0, 0.2, 1.0), -6.0);
    EXPECT_LT(deepestGainDb(meters, 1, 0.2, 1.0), -6.0);
    const Sound output = readSound(directory / "out.wav");
    EXPECT_EQ(*std::ranges::max_element(output.samples), 0.0f);
}

TEST_F(CorvexSideChain, SilentSideChainLeavesALoudMainAlone)
{
    writeSound(directory / "loud.wav", noise(48000, 2, 1.0, 0.9), kFloatWav);
    writeSound(directory / "silent.wav", silence(48000, 2, 1.0), kFloatWav);
    const CsvTable internal = processWithMeters("loud.wav", {});
    EXPECT_LT(deepestGainDb(internal, 0, 0.2, 1.0), -6.0) << "the main alone must be loud enough to compress";
    const CsvTable external = processWithMeters("loud.wav", {"--sidechain", (directory / "silent.wav").string()});
    EXPECT_GT(deepestGainDb(external, 0, 0.0, 1.1), -0.1);
    EXPECT_GT(deepestGainDb(external, 1, 0.0, 1.1), -0.1);
}

TEST_F(CorvexSideChain, SideChainCanBeSwitchedOffExplicitly)
{
    writeSound(directory / "loud.wav", noise(48000, 2, 1.0, 0.9), kFloatWav);
    writeSound(directory / "silent.wav", silence(48000, 2, 1.0), kFloatWav);
    const CsvTable meters = processWithMeters(
        "loud.wav", {"--sidechain", (directory / "silent.wav").string(), "--set", "External SC=Off"});
    EXPECT_LT(deepestGainDb(meters, 0, 0.2, 1.0), -6.0);
}

TEST_F(CorvexSideChain, MonoSideChainFeedsBothChannels)
{
    writeSound(directory / "silent.wav", silence(48000, 2, 1.0), kFloatWav);
    writeSound(directory / "loud.wav", noise(48000, 1, 1.0, 0.9), kFloatWav);
    const CsvTable meters = processWithMeters("silent.wav", {"--sidechain", (directory / "loud.wav").string(),
                                                             "--set", "SC Detection Mode=Dual"});
    EXPECT_LT(deepestGainDb(meters, 0, 0.2, 1.0), -6.0);
    EXPECT_LT(deepestGainDb(meters, 1, 0.2, 1.0), -6.0);
}

TEST_F(CorvexSideChain, ShortSideChainIsPaddedWithSilence)
{
    // Against a side chain as long as the main, one that ends after 0.5 s lets the gain recover.
    writeSound(directory / "loud.wav", noise(48000, 2, 3.0, 0.9), kFloatWav);
    writeSound(directory / "burst.wav", noise(48000, 2, 0.5, 0.9), kFloatWav);
    const CsvTable whole = processWithMeters("loud.wav", {"--sidechain", (directory / "loud.wav").string()});
    const CsvTable burst = processWithMeters("loud.wav", {"--sidechain", (directory / "burst.wav").string()});
    EXPECT_LT(deepestGainDb(burst, 0, 0.2, 0.5), -6.0);
    EXPECT_LT(deepestGainDb(whole, 0, 2.5, 3.0), -6.0);
    EXPECT_GT(deepestGainDb(burst, 0, 2.5, 3.0), -1.5) << "the reduction must recover once the side chain ends";
}

} // namespace
} // namespace corvex::testing
