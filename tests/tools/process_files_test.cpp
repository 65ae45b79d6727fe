// corvex process on real files: formats, lengths, alignment, meters and summary.
#include "tests/tools/csv_table.h"
#include "tests/tools/sound_files.h"
#include "tests/tools/tool_runner.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace corvex::testing
{
namespace
{

// The first frame whose channel-0 sample exceeds the threshold; -1 when none does.
std::int64_t onsetFrame(const Sound& sound, float threshold)
{
    for (std::int64_t frame = 0; frame < sound.frames(); ++frame)
    {
        if (std::fabs(sound.at(frame, 0)) > threshold)
            return frame;
    }
    return -1;
}

// Silence, then a tone from onsetSeconds on.
Sound delayedTone(int sampleRate, int channels, double onsetSeconds, double seconds)
{
    Sound sound = silence(sampleRate, channels, onsetSeconds);
    const Sound tone = sine(sampleRate, channels, seconds - onsetSeconds, 997.0, 0.5);
    sound.samples.insert(sound.samples.end(), tone.samples.begin(), tone.samples.end());
    return sound;
}

TEST(CorvexProcess, RoundTripsKeepTheInputFormatRateChannelsAndLength)
{
    struct Case
    {
        const char* name;
        int format;
        int sampleRate;
        int channels;
    };
    const Case cases[] = {{"pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2},
                          {"pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 1},
                          {"float.wav", kFloatWav, 96000, 2},
                          {"pcm16.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 2},
                          {"pcm24.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 22050, 1}};
    for (const Case& test : cases)
    {
        ScratchDirectory directory;
        const Sound input = noise(test.sampleRate, test.channels, 1.3, 0.5);
        writeSound(directory / test.name, input, test.format);
        const std::string out = "out" + std::filesystem::path(test.name).extension().string();
        const ToolResult result = runCorvex({"process", directory / test.name, directory / out});
        ASSERT_EQ(result.exitStatus, 0) << test.name << ": " << result.err;
        EXPECT_EQ(result.err, "") << test.name;

        const Sound output = readSound(directory / out);
        EXPECT_EQ(output.format, test.format) << test.name;
        EXPECT_EQ(output.sampleRate, test.sampleRate) << test.name;
        EXPECT_EQ(output.channels, test.channels) << test.name;
        EXPECT_EQ(output.frames(), input.frames()) << test.name;
        EXPECT_GT(peakDb(output, 0, 0, output.frames()), -40.0) << test.name << ": the output is silent";
    }
}

TEST(CorvexProcess, FormatOptionChoosesTheOutputFormat)
{
    ScratchDirectory directory;
    writeSound(directory / "in.wav", noise(48000, 2, 0.5, 0.5), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const std::pair<const char*, int> formats[] = {{"wav16", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                                                   {"wav24", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
                                                   {"float", kFloatWav},
                                                   {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}};
    for (const auto& [name, format] : formats)
    {
        const bool flac = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC;
        const std::string out = std::string(name) + (flac ? ".flac" : ".wav");
        const ToolResult result = runCorvex({"process", directory / "in.wav", directory / out, "--format", name});
        ASSERT_EQ(result.exitStatus, 0) << name << ": " << result.err;
        const Sound output = readSound(directory / out);
        EXPECT_EQ(output.format, format) << name;
        EXPECT_EQ(output.frames(), 24000) << name;
    }
}

TEST(CorvexProcess, EffectOffGivesTheInputBackExactly)
{
    ScratchDirectory directory;
    const Sound input = noise(48000, 2, 1.0, 0.9);
    writeSound(directory / "in.wav", input, kFloatWav);
    for (const char* block : {"32", "7", "1"})
    {
        const ToolResult result = runCorvex(
            {"process", directory / "in.wav", directory / "out.wav", "--set", "Enable Effect=Off", "--block", block});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        const Sound output = readSound(directory / "out.wav");
        ASSERT_EQ(output.samples.size(), input.samples.size());
        EXPECT_EQ(output.samples, input.samples) << "block " << block;
    }
}

TEST(CorvexProcess, OutputIsAlignedWithTheInputUnlessLatencyIsKept)
{
    struct Case
    {
        int sampleRate;
        const char* block;
        std::int64_t latencyFrames; // 5 ms
    };
    for (const Case test : {Case{48000, "32", 240}, Case{44100, "7", 220}, Case{8000, "1", 40}})
    {
        ScratchDirectory directory;
        const Sound input = delayedTone(test.sampleRate, 2, 0.25, 1.0);
        writeSound(directory / "in.wav", input, kFloatWav);
        const std::int64_t inputOnset = onsetFrame(input, 1e-3f);

        ASSERT_EQ(runCorvex({"process", directory / "in.wav", directory / "aligned.wav", "--block", test.block}).exitStatus, 0);
        const Sound aligned = readSound(directory / "aligned.wav");
        EXPECT_EQ(aligned.frames(), input.frames());
        EXPECT_EQ(onsetFrame(aligned, 1e-3f), inputOnset) << test.sampleRate;

        ASSERT_EQ(runCorvex({"process", directory / "in.wav", directory / "raw.wav", "--block", test.block,
                             "--keep-latency"})
                      .exitStatus,
                  0);
        const Sound raw = readSound(directory / "raw.wav");
        EXPECT_EQ(raw.frames(), input.frames());
        EXPECT_EQ(onsetFrame(raw, 1e-3f), inputOnset + test.latencyFrames) << test.sampleRate;
    }
}

TEST(CorvexProcess, TheTailIsFlushedIntoTheAlignedOutput)
{
    // The tone runs to the very end: without the flush, its last 5 ms would be missing.
    ScratchDirectory directory;
    const Sound input = sine(48000, 1, 0.5, 1000.0, 0.25);
    writeSound(directory / "in.wav", input, kFloatWav);
    ASSERT_EQ(runCorvex({"process", directory / "in.wav", directory / "out.wav", "--set", "Enable Effect=Off"}).exitStatus, 0);
    const Sound output = readSound(directory / "out.wav");
    ASSERT_EQ(output.frames(), input.frames());
    EXPECT_EQ(output.samples.back(), input.samples.back());
    EXPECT_GT(peakDb(output, 0, output.frames() - 240, output.frames()), -13.0);
}

TEST(CorvexProcess, MetersAreWrittenInDecibelsEveryTenMilliseconds)
{
    ScratchDirectory directory;
    writeSound(directory / "stereo.wav", noise(48000, 2, 2.0, 0.5), kFloatWav);
    writeSound(directory / "mono.wav", noise(44100, 1, 2.0, 0.5), kFloatWav);
    // With the effect off both level meters show the delayed input and the gain stays at 1.
    ASSERT_EQ(runCorvex({"process", directory / "stereo.wav", directory / "s.wav", "--meters", directory / "s.csv",
                         "--set", "Enable Effect=Off"})
                  .exitStatus,
              0);
    ASSERT_EQ(runCorvex({"process", directory / "mono.wav", directory / "m.wav", "--meters", directory / "m.csv"}).exitStatus, 0);

    const CsvTable stereo = readCsv(directory / "s.csv");
    EXPECT_EQ(stereo.header, (std::vector<std::string>{"time_s", "gain_reduction_0_db", "gain_reduction_1_db",
                                                       "input_0_dbfs", "input_1_dbfs", "output_0_dbfs",
                                                       "output_1_dbfs"}));
    ASSERT_EQ(stereo.rows.size(), 200u); // 2 s of audio plus 5 ms of tail
    for (std::size_t row = 0; row < stereo.rows.size(); ++row)
        EXPECT_NEAR(stereo.rows[row][0], 0.01 * static_cast<double>(row + 1), 1e-9);
    // Uniform noise at 0.5 peaks just below -6.02 dBFS in every 10 ms window after the 5 ms delay.
    for (const char* column : {"input_0_dbfs", "input_1_dbfs", "output_0_dbfs", "output_1_dbfs"})
    {
        const std::vector<double> levels = stereo.values(column);
        for (std::size_t row = 1; row < levels.size(); ++row)
        {
            EXPECT_LE(levels[row], -6.02) << column << " row " << row;
            EXPECT_GT(levels[row], -6.5) << column << " row " << row;
        }
    }
    for (const char* column : {"gain_reduction_0_db", "gain_reduction_1_db"})
    {
        for (double gainDb : stereo.values(column))
            EXPECT_EQ(gainDb, 0.0) << column;
    }

    const CsvTable mono = readCsv(directory / "m.csv");
    EXPECT_EQ(mono.header,
              (std::vector<std::string>{"time_s", "gain_reduction_0_db", "input_0_dbfs", "output_0_dbfs"}));
    EXPECT_EQ(mono.rows.size(), 200u); // 88200 + 220 samples hold 200 whole windows of 441
    for (double gainDb : mono.values("gain_reduction_0_db"))
        EXPECT_LE(gainDb, 0.0);
}

TEST(CorvexProcess, SummaryReportsLevelsAndGainReductionPerChannel)
{
    ScratchDirectory directory;
    Sound input = sine(48000, 2, 1.0, 1000.0, 0.5); // channel 1 at half the level: -6 and -12 dBFS peaks
    writeSound(directory / "in.wav", input, kFloatWav);
    const ToolResult result =
        runCorvex({"process", directory / "in.wav", directory / "out.wav", "--set", "Enable Effect=Off"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "settings: Enable Effect Off\n"
                          "summary: in peak -6.0/-12.0 dBFS, RMS -9.0/-15.1 dBFS; out peak -6.0/-12.0 dBFS, "
                          "RMS -9.0/-15.1 dBFS; gain reduction largest 0.0/0.0 dB, average 0.0/0.0 dB\n");
}

TEST(CorvexProcess, ProgressBarOnlyOnATerminalForLongFiles)
{
    ScratchDirectory directory;
    writeSound(directory / "long.wav", noise(8000, 1, 8.0, 0.5), kFloatWav);
    writeSound(directory / "short.wav", noise(8000, 1, 2.0, 0.5), kFloatWav);
    const auto underTerminal = [&](const std::string& input) {
        // script(1) gives the tool a pseudo-terminal and copies what it shows into the log.
        const std::string command = std::string(CORVEX_TOOL_PATH) + " process " + (directory / input).string() +
                                    " " + (directory / "out.wav").string() + " >/dev/null";
        return runProgram({"/usr/bin/script", "-qec", command, (directory / "log").string()});
    };
    ASSERT_EQ(underTerminal("long.wav").exitStatus, 0);
    EXPECT_NE(readWholeFile(directory / "log").find("processing ["), std::string::npos);
    ASSERT_EQ(underTerminal("short.wav").exitStatus, 0);
    EXPECT_EQ(readWholeFile(directory / "log").find("processing ["), std::string::npos);

    const ToolResult notTerminal = runCorvex({"process", directory / "long.wav", directory / "out.wav"});
    EXPECT_EQ(notTerminal.err, "");
}

} // namespace
} // namespace corvex::testing
