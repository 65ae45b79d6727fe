// corvex curve, corvex params, corvex demo and the plot script.
#include "tests/tools/csv_table.h"
#include "tests/tools/sound_files.h"
#include "tests/tools/tool_runner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace corvex::testing
{
namespace
{

const std::vector<std::string> kRatioColumns = {"ratio_4", "ratio_8", "ratio_12", "ratio_20", "ratio_All"};

bool isPng(const std::filesystem::path& path)
{
    const std::string content = readWholeFile(path);
    return content.size() > 1000 && content.starts_with("\x89PNG\r\n\x1a\n");
}

// The rise of the output over the top 10 dB of input: the smaller, the stronger the compression.
double topRiseDb(const CsvTable& curve, const std::string& ratio)
{
    const std::vector<double> output = curve.values(ratio);
    return output.back() - output[output.size() - 11];
}

TEST(CorvexCurve, IsMonotonicAndReducesMoreAtHigherRatios)
{
    ScratchDirectory directory;
    const ToolResult result = runCorvex({"curve", (directory / "curve.csv").string()});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const CsvTable curve = readCsv(directory / "curve.csv");
    std::vector<std::string> expectedHeader = {"input_dbfs"};
    expectedHeader.insert(expectedHeader.end(), kRatioColumns.begin(), kRatioColumns.end());
    ASSERT_EQ(curve.header, expectedHeader);
    ASSERT_EQ(curve.rows.size(), 61u);
    EXPECT_EQ(curve.rows.front()[0], -60.0);
    EXPECT_EQ(curve.rows.back()[0], 0.0);

    for (const std::string& ratio : kRatioColumns)
    {
        const std::vector<double> output = curve.values(ratio);
        for (std::size_t row = 1; row < output.size(); ++row)
            EXPECT_GE(output[row], output[row - 1] - 0.01) << ratio << " at " << curve.rows[row][0] << " dBFS";
        EXPECT_NEAR(output.front(), -60.0, 0.5) << ratio << ": a quiet sine passes unchanged";
        EXPECT_LT(output.back(), -10.0) << ratio << ": a full-scale sine must be compressed";
    }
    // Each higher ratio flattens the curve above its knee: the output rises less over the top 10 dB.
    for (std::size_t index = 1; index + 1 < kRatioColumns.size(); ++index)
        EXPECT_LT(topRiseDb(curve, kRatioColumns[index]), topRiseDb(curve, kRatioColumns[index - 1]) - 0.1)
            << kRatioColumns[index];
    EXPECT_LE(topRiseDb(curve, "ratio_All"), topRiseDb(curve, "ratio_20") + 0.05);
    // "All" holds a full-scale sine lowest of all.
    const std::vector<double>& loudest = curve.rows.back();
    for (std::size_t column = 1; column + 1 < curve.header.size(); ++column)
        EXPECT_LT(loudest.back(), loudest[column] - 1.0) << curve.header[column];
}

TEST(CorvexCurve, ASetRatioGivesOneColumn)
{
    ScratchDirectory directory;
    const ToolResult result =
        runCorvex({"curve", (directory / "c.csv").string(), "--set", "Ratio=8", "--set", "Enable Effect=Off"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const CsvTable curve = readCsv(directory / "c.csv");
    ASSERT_EQ(curve.header, (std::vector<std::string>{"input_dbfs", "ratio_8"}));
    for (const std::vector<double>& row : curve.rows)
        EXPECT_NEAR(row[1], row[0], 0.01) << "with the effect off the curve is the identity";
}

TEST(CorvexParams, ListsEveryParameterWithDefaultAndRange)
{
    const ToolResult result = runCorvex({"params"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const std::vector<std::string> table = lines(result.out);
    ASSERT_EQ(table.size(), 21u);
    EXPECT_TRUE(table[0].find("range or choices") != std::string::npos);
    const auto row = [&](int id) { return table[static_cast<std::size_t>(id) + 1]; };
    EXPECT_TRUE(std::regex_search(row(5), std::regex("^ 5  Ratio +4 +4, 8, 12, 20, All$"))) << row(5);
    EXPECT_TRUE(std::regex_search(row(1), std::regex("^ 1  Input Gain +dB +-24 +-48 to 0$"))) << row(1);
    EXPECT_TRUE(std::regex_search(row(13), std::regex("^13  SC EQ Bell Freq +Hz +692.82 +30 to 16000$"))) << row(13);
    EXPECT_TRUE(std::regex_search(row(16), std::regex("^16  GR Range +dB +100 +100 to 0$"))) << row(16);
    EXPECT_TRUE(std::regex_search(row(7), std::regex("SC Detection Mode +Dual +Reversed, Dual, Linked, M only, S only$")))
        << row(7);
    EXPECT_TRUE(std::regex_search(row(0), std::regex("Enable Effect +On +Off, On$"))) << row(0);
}

TEST(CorvexDemo, WritesEveryFileAndThePlotScriptDrawsThem)
{
    ScratchDirectory directory;
    const std::filesystem::path output = directory / "demo-out";
    const ToolResult demo = runCorvex({"demo", output.string()});
    ASSERT_EQ(demo.exitStatus, 0) << demo.err;
    EXPECT_NE(demo.out.find("summary: "), std::string::npos);

    const Sound dry = readSound(output / "dry.wav");
    const Sound wet = readSound(output / "wet.wav");
    EXPECT_EQ(dry.channels, 2);
    EXPECT_EQ(dry.sampleRate, 48000);
    EXPECT_EQ(dry.frames(), 480000);
    EXPECT_EQ(wet.frames(), dry.frames());
    EXPECT_NEAR(peakDb(dry, 0, 0, dry.frames()), -1.0, 0.5);
    EXPECT_EQ(readCsv(output / "meters.csv").rows.size(), 1000u);
    EXPECT_EQ(readCsv(output / "curve.csv").header.size(), 6u);

    // The example is deterministic: a second run writes the same dry file.
    const std::filesystem::path again = directory / "again";
    ASSERT_EQ(runCorvex({"demo", again.string()}).exitStatus, 0);
    EXPECT_EQ(readWholeFile(again / "dry.wav"), readWholeFile(output / "dry.wav"));
    EXPECT_EQ(readWholeFile(again / "wet.wav"), readWholeFile(output / "wet.wav"));

    const ToolResult plot = runProgram({"/usr/bin/python3", CORVEX_PLOT_SCRIPT, (output / "meters.csv").string(),
                                        (output / "curve.csv").string()});
    ASSERT_EQ(plot.exitStatus, 0) << plot.err;
    EXPECT_TRUE(isPng(output / "meters.png"));
    EXPECT_TRUE(isPng(output / "curve.png"));
}

TEST(CorvexPlot, RefusesAFileThatIsNeitherMetersNorCurve)
{
    ScratchDirectory directory;
    std::ofstream(directory / "other.csv") << "a,b\n1,2\n";
    const ToolResult plot = runProgram({"/usr/bin/python3", CORVEX_PLOT_SCRIPT, (directory / "other.csv").string()});
    EXPECT_EQ(plot.exitStatus, 2);
    EXPECT_NE(plot.err.find("other.csv"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(directory / "other.png"));
}

} // namespace
} // namespace corvex::testing
