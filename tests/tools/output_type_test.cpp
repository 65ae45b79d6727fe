// The type of the file corvex process writes comes from OUT's extension;
// --format chooses only the encoding, and a type it cannot write is refused.
#include "tests/tools/sound_files.h"
#include "tests/tools/tool_runner.h"

#include <gtest/gtest.h>
#include <sndfile.h>

namespace corvex::testing
{
namespace
{

bool libsndfileWrites(int format)
{
    SF_INFO info{};
    info.format = format;
    info.channels = 2;
    info.samplerate = 48000;
    return sf_format_check(&info) != 0;
}

TEST(CorvexOutputType, TheExtensionChoosesTheContainerAndFormatTheEncoding)
{
    struct Case
    {
        const char* out;
        const char* format; // --format, or "" for none
        int expected;       // libsndfile format read back; 0: refused
    };
    const int mp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    const int opus = SF_FORMAT_OGG | SF_FORMAT_OPUS;
    // The input is 16-bit FLAC, so every kept encoding is 16-bit.
    const Case cases[] = {
        {"out.wav", "", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {"out.AIFF", "", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
        {"out.aif", "float", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {"out.flac", "wav24", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {"out.ogg", "", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {"out.oga", "", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {"out.mp3", "", libsndfileWrites(mp3) ? mp3 : 0},
        {"out.opus", "", libsndfileWrites(opus) ? opus : 0},
        {"out.xyz", "", 0},
        {"out", "", 0},
        {"out.flac", "float", 0},
        {"out.wav", "flac", 0},
        {"out.ogg", "wav16", 0},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(std::string(test.out) + " --format '" + test.format + "'");
        ScratchDirectory directory;
        writeSound(directory / "in.flac", noise(48000, 2, 0.5, 0.5), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
        std::vector<std::string> arguments = {"process", directory / "in.flac", directory / test.out};
        if (*test.format != '\0')
            arguments.insert(arguments.end(), {"--format", test.format});
        const ToolResult result = runCorvex(arguments);
        if (test.expected == 0)
        {
            EXPECT_EQ(result.exitStatus, 2);
            ASSERT_EQ(lines(result.err).size(), 1u) << result.err;
            EXPECT_NE(result.err.find(test.out), std::string::npos) << result.err;
            EXPECT_EQ(directory.fileNames(), std::vector<std::string>{"in.flac"}) << "a file was left behind";
            continue;
        }
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        const Sound output = readSound(directory / test.out);
        EXPECT_EQ(output.format, test.expected);
        EXPECT_EQ(output.channels, 2);
    }
}

} // namespace
} // namespace corvex::testing
