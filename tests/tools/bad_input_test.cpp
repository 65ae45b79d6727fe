// Every bad input ends with one line on stderr naming the culprit, exit status 2,
// no output file, no temporary file and no report from the engine.
#include "tests/tools/sound_files.h"
#include "tests/tools/tool_runner.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <fstream>

namespace corvex::testing
{
namespace
{

class CorvexBadInput : public ::testing::Test
{
protected:
    ScratchDirectory directory;

    void SetUp() override
    {
        writeSound(directory / "in.wav", noise(48000, 2, 0.5, 0.5), kFloatWav);
        writeSound(directory / "mono.wav", noise(48000, 1, 0.5, 0.5), kFloatWav);
    }

    // Runs corvex and checks the failure: the single stderr line holds every expected part.
    void expectRefused(const std::vector<std::string>& arguments, const std::vector<std::string>& expectedParts)
    {
        const std::vector<std::string> before = directory.fileNames();
        expectRefusedResult(runCorvex(arguments), expectedParts);
        EXPECT_EQ(directory.fileNames(), before) << "an output or temporary file was left behind";
    }

    static void expectRefusedResult(const ToolResult& result, const std::vector<std::string>& expectedParts)
    {
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_EQ(result.out, "");
        const std::vector<std::string> errorLines = lines(result.err);
        ASSERT_EQ(errorLines.size(), 1u) << result.err;
        EXPECT_TRUE(errorLines[0].starts_with("corvex: ")) << errorLines[0];
        for (const std::string& part : expectedParts)
            EXPECT_NE(errorLines[0].find(part), std::string::npos) << "'" << part << "' missing in: " << errorLines[0];
        EXPECT_EQ(result.err.find("Assertion"), std::string::npos);
        EXPECT_EQ(result.err.find("Serious error"), std::string::npos);
    }

    std::string path(const std::string& name) const { return (directory / name).string(); }
};

TEST_F(CorvexBadInput, MissingOrUnreadableInput)
{
    expectRefused({"process", path("absent.wav"), path("out.wav")}, {path("absent.wav"), "no such file"});
    std::filesystem::create_directory(directory / "folder.wav");
    expectRefused({"process", path("folder.wav"), path("out.wav")}, {path("folder.wav"), "directory"});
}

TEST_F(CorvexBadInput, FormatThatCannotBeRead)
{
    std::ofstream(directory / "text.wav") << "this is not audio\n";
    expectRefused({"process", path("text.wav"), path("out.wav")}, {path("text.wav"), "not an audio file"});
    std::ofstream(directory / "empty.flac");
    expectRefused({"process", path("empty.flac"), path("out.wav")}, {path("empty.flac")});
}

TEST_F(CorvexBadInput, MoreThanTwoChannels)
{
    writeSound(directory / "three.wav", noise(48000, 3, 0.1, 0.5), kFloatWav);
    expectRefused({"process", path("three.wav"), path("out.wav")}, {path("three.wav"), "3 channels"});
}

TEST_F(CorvexBadInput, RateAbove192Kilohertz)
{
    writeSound(directory / "fast.wav", noise(192001, 1, 0.1, 0.5), kFloatWav);
    expectRefused({"process", path("fast.wav"), path("out.wav")}, {path("fast.wav"), "192001 Hz"});
}

TEST_F(CorvexBadInput, UnknownParameterName)
{
    expectRefused({"process", path("in.wav"), path("out.wav"), "--set", "Threshold=-10"}, {"--set", "Threshold"});
    expectRefused({"process", path("in.wav"), path("out.wav"), "--norm", "20=0.5"}, {"--norm", "\"20\""});
    expectRefused({"curve", path("curve.csv"), "--set", "Knee=3"}, {"--set", "Knee"});
}

TEST_F(CorvexBadInput, ValueOutsideTheRangeOrNotAText)
{
    const std::vector<std::pair<std::string, std::string>> settings = {
        {"--set", "Input Gain=3"},         {"--set", "Input Gain=-48.5"},  {"--set", "GR Range=101"},
        {"--set", "SC EQ HPF Freq=19 Hz"}, {"--set", "Dry / Wet=150%"},    {"--set", "SC Time Warp=11ms"},
        {"--set", "Attack Time=0"},        {"--set", "Ratio=7"},           {"--set", "Enable Effect=maybe"},
        {"--set", "SC Detection Mode=M"},  {"--set", "Input Gain=loud"},   {"--set", "Input Gain=-6 Hz"},
        {"--set", "Ratio"},                {"--norm", "Ratio=1.5"},        {"--norm", "Input Gain=-0.1"},
        {"--norm", "Input Gain=half"},     {"--set", "Ratio=8=8"},         {"--set", "Dry / Wet=nan"}};
    for (const auto& [option, setting] : settings)
    {
        SCOPED_TRACE(setting);
        expectRefused({"process", path("in.wav"), path("out.wav"), option, setting}, {option, setting});
    }
}

TEST_F(CorvexBadInput, ParameterGivenTwice)
{
    expectRefused({"process", path("in.wav"), path("out.wav"), "--set", "Ratio=8", "--norm", "ratio=0.9"},
                  {"--norm", "\"Ratio\" is given more than once"});
}

TEST_F(CorvexBadInput, SideChainWithAnotherRate)
{
    writeSound(directory / "sc44.wav", noise(44100, 2, 0.5, 0.5), kFloatWav);
    expectRefused({"process", path("in.wav"), path("out.wav"), "--sidechain", path("sc44.wav")},
                  {"--sidechain", path("sc44.wav"), "44100 Hz"});
}

TEST_F(CorvexBadInput, SideChainWithAnImpossibleChannelLayout)
{
    expectRefused({"process", path("mono.wav"), path("out.wav"), "--sidechain", path("in.wav")},
                  {"--sidechain", path("in.wav"), "2 channels"});
    writeSound(directory / "sc3.wav", noise(48000, 3, 0.5, 0.5), kFloatWav);
    expectRefused({"process", path("in.wav"), path("out.wav"), "--sidechain", path("sc3.wav")},
                  {path("sc3.wav"), "3 channels"});
    expectRefused({"process", path("in.wav"), path("out.wav"), "--sidechain", path("absent.wav")},
                  {path("absent.wav")});
}

TEST_F(CorvexBadInput, OutputEqualToAnInput)
{
    const std::string before = readWholeFile(directory / "in.wav");
    expectRefused({"process", path("in.wav"), path("in.wav")}, {"OUT", path("in.wav"), "same file as IN"});
    std::filesystem::create_directory(directory / "sub");
    const std::string roundabout = (directory / "sub" / ".." / "in.wav").string();
    expectRefused({"process", path("in.wav"), roundabout}, {"OUT", "same file as IN"});
    expectRefused({"process", path("in.wav"), path("out.wav"), "--sidechain", path("mono.wav"), "--meters",
                   path("mono.wav")},
                  {"--meters", "same file as --sidechain"});
    expectRefused({"process", path("in.wav"), path("out.wav"), "--meters", path("out.wav")},
                  {"--meters", "same file as OUT"});
    EXPECT_EQ(readWholeFile(directory / "in.wav"), before);
}

TEST_F(CorvexBadInput, WriteErrors)
{
    expectRefused({"process", path("in.wav"), path("missing/out.wav")}, {path("missing/out.wav")});
    expectRefused({"process", path("in.wav"), path("out.wav"), "--meters", path("missing/m.csv")},
                  {path("missing/m.csv")});
    expectRefused({"curve", path("missing/curve.csv")}, {path("missing/curve.csv")});
}

TEST_F(CorvexBadInput, DiskFullWhileWriting)
{
    // A file-size limit of 64 blocks of 512 bytes makes the writes fail as on a full
    // disk; SIGXFSZ is ignored so that the write returns an error instead.
    writeSound(directory / "long.wav", noise(48000, 2, 3.0, 0.5), kFloatWav);
    const std::vector<std::string> before = directory.fileNames();
    const ToolResult result = runProgram({"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 64; exec \"$0\" \"$@\"",
                                          CORVEX_TOOL_PATH, "process", path("long.wav"), path("out.wav")});
    expectRefusedResult(result, {"cannot write", path("out.wav")});
    EXPECT_EQ(directory.fileNames(), before);
}

TEST_F(CorvexBadInput, CommandLineMistakes)
{
    expectRefused({"process", path("in.wav"), path("out.wav"), "--block", "0"}, {"--block"});
    expectRefused({"process", path("in.wav"), path("out.wav"), "--block", "33"}, {"--block"});
    expectRefused({"process", path("in.wav"), path("out.wav"), "--format", "mp3"}, {"--format"});
    expectRefused({"process", path("in.wav")}, {"OUT"});
    expectRefused({"process", path("in.wav"), path("out.wav"), "--loud"}, {"--loud"});
    expectRefused({"sing"}, {"sing"});
    expectRefused({}, {"subcommand"});
}

} // namespace
} // namespace corvex::testing
