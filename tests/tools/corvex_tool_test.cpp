// The corvex command-line tool, run as a user runs it on real files: bad
// input is refused cleanly, the output is aligned with the input, and the
// side-chain file drives the gain reduction.
#include "corvex_engine.h"
#include "tests/support/engine_driver.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace
{

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// A scratch directory, removed with everything in it.
struct Scratch
{
    fs::path path = [] {
        std::string pattern = (fs::temp_directory_path() / "corvex-tool-test-XXXXXX").string();
        return fs::path(mkdtemp(pattern.data()));
    }();
    ~Scratch() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

struct Result
{
    int exitStatus;
    std::string out, err;
};

// Runs the tool through the shell, each argument quoted, stdin empty; the shell prefix may limit it first.
Result run(const std::vector<std::string>& arguments, const std::string& shellPrefix = "")
{
    Scratch capture;
    std::string command = shellPrefix + " exec '" CORVEX_TOOL_PATH "'";
    for (const std::string& argument : arguments)
        command += " '" + argument + "'";
    const int status = std::system((command + " </dev/null >" + capture / "out" + " 2>" + capture / "err").c_str());
    return {WEXITSTATUS(status), readFile(capture / "out"), readFile(capture / "err")};
}

// Interleaved float samples, as libsndfile reads and writes them.
struct Sound
{
    int sampleRate = 48000, channels = 1;
    std::vector<float> samples;
};

void write(const std::string& path, const Sound& sound)
{
    SF_INFO info{0, sound.sampleRate, sound.channels, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path;
    sf_writef_float(file, sound.samples.data(), static_cast<sf_count_t>(sound.samples.size()) / sound.channels);
    sf_close(file);
}

Sound read(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    Sound sound{info.samplerate, std::max(info.channels, 1), std::vector<float>(static_cast<std::size_t>(info.frames * info.channels))};
    if (file != nullptr)
        sf_readf_float(file, sound.samples.data(), info.frames);
    sf_close(file);
    return sound;
}

// Uniform noise of the given peak from seconds `from` on, silence before.
Sound noise(int sampleRate, int channels, double seconds, double peak, double from = 0.0)
{
    const auto frames = static_cast<int>(std::lround(seconds * sampleRate));
    Sound sound{sampleRate, channels, corvex::testing::noise(peak, frames * channels, 12345u)};
    std::fill_n(sound.samples.begin(), std::lround(from * sampleRate) * channels, 0.0f);
    return sound;
}

// `corvex process` of the directory's in.wav into OUT with the options, which must succeed: OUT read back.
Sound process(const Scratch& directory, const std::string& out, std::vector<std::string> options = {})
{
    options.insert(options.begin(), {"process", directory / "in.wav", directory / out});
    const Result result = run(options);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    return read(directory / out);
}

// Every bad input ends with exit status 2, one line on stderr naming the
// culprit, nothing on stdout, no output or temporary file left and no engine
// report. "@name" stands for a file in the scratch directory.
TEST(CorvexBadInput, IsRefusedWithOneLineAndNoFileLeft)
{
    struct Case
    {
        std::vector<std::string> arguments;
        std::vector<std::string> expectedParts;
        std::string shellPrefix{};
    };
    const std::vector<std::string> inOut = {"process", "@in.wav", "@out.wav"};
    const auto with = [&](std::vector<std::string> options) {
        options.insert(options.begin(), inOut.begin(), inOut.end());
        return options;
    };
    std::vector<Case> cases = {
        {{"process", "@absent.wav", "@out.wav"}, {"@absent.wav", "no such file"}},
        {{"process", "@folder.wav", "@out.wav"}, {"@folder.wav", "directory"}},
        {{"process", "@text.wav", "@out.wav"}, {"@text.wav", "not an audio file"}},
        {{"process", "@empty.flac", "@out.wav"}, {"@empty.flac"}},
        {{"process", "@three.wav", "@out.wav"}, {"@three.wav", "3 channels"}},
        {{"process", "@fast.wav", "@out.wav"}, {"@fast.wav", "192001 Hz"}},
        {with({"--set", "Threshold=-10"}), {"--set", "Threshold"}},
        {with({"--norm", "20=0.5"}), {"--norm", "\"20\""}},
        {{"curve", "@curve.csv", "--set", "Knee=3"}, {"--set", "Knee"}},
        {with({"--set", "Ratio=8", "--norm", "ratio=0.9"}), {"--norm", "\"Ratio\" is given more than once"}},
        {with({"--sidechain", "@sc44.wav"}), {"--sidechain", "@sc44.wav", "44100 Hz"}},
        {{"process", "@mono.wav", "@out.wav", "--sidechain", "@in.wav"}, {"--sidechain", "@in.wav", "2 channels"}},
        {with({"--sidechain", "@three.wav"}), {"@three.wav", "3 channels"}},
        {with({"--sidechain", "@absent.wav"}), {"@absent.wav"}},
        {{"process", "@in.wav", "@in.wav"}, {"OUT", "@in.wav", "same file as IN"}},
        {{"process", "@in.wav", "@sub/../in.wav"}, {"OUT", "same file as IN"}},
        {with({"--sidechain", "@mono.wav", "--meters", "@mono.wav"}), {"--meters", "same file as --sidechain"}},
        {with({"--meters", "@out.wav"}), {"--meters", "same file as OUT"}},
        {{"process", "@in.wav", "@missing/out.wav"}, {"@missing/out.wav"}},
        {with({"--meters", "@missing/m.csv"}), {"@missing/m.csv"}},
        {{"curve", "@missing/curve.csv"}, {"@missing/curve.csv"}},
        {with({"--block", "0"}), {"--block"}},
        {with({"--block", "33"}), {"--block"}},
        {with({"--format", "mp3"}), {"--format"}},
        // OUT's extension chooses the file type; one the tool cannot write is refused.
        {{"process", "@in.wav", "@out.xyz"}, {"@out.xyz", "cannot write"}},
        {{"process", "@in.wav", "@out"}, {"@out", "cannot write"}},
        {{"process", "@in.wav", "@out.flac", "--format", "float"}, {"--format float", "@out.flac"}},
        {{"process", "@in.wav", "@out.wav", "--format", "flac"}, {"--format flac", "@out.wav"}},
        {{"process", "@in.wav", "@out.ogg", "--format", "wav16"}, {"--format wav16", "@out.ogg"}},
        {with({"--loud"}), {"--loud"}},
        {{"process", "@in.wav"}, {"OUT"}},
        {with({"--preset", "@bad-preset.txt"}), {"@bad-preset.txt", "' line 3: unknown parameter \"Knee\""}},
        {with({"--preset", "Loud Glue"}), {"--preset 'Loud Glue' is neither a factory preset"}},
        {with({"--preset", "@folder.wav"}), {"@folder.wav", "is a directory"}},
        {with({"--automation", "@bad.csv"}), {"@bad.csv", "' line 2: \"1.5\" is not a position"}},
        {with({"--automation", "@absent.csv"}), {"--automation", "@absent.csv"}},
        {{"presets", "Loud Glue"}, {"'Loud Glue'"}},
        {{"sing"}, {"sing"}},
        {{}, {"subcommand"}},
        // A file-size limit makes the writes fail as on a full disk; SIGXFSZ is
        // ignored so that the write returns an error instead.
        {{"process", "@long.wav", "@out.wav"}, {"cannot write", "@out.wav"}, "trap '' XFSZ; ulimit -f 64;"}};
    for (const char* setting : {"Input Gain=3", "Input Gain=-48.5", "GR Range=101", "SC EQ HPF Freq=19 Hz",
                                "Dry / Wet=150%", "SC Time Warp=11ms", "Attack Time=0", "Ratio=7", "Enable Effect=maybe",
                                "SC Detection Mode=M", "Input Gain=loud", "Input Gain=-6 Hz", "Ratio", "Ratio=8=8",
                                "Dry / Wet=nan"})
        cases.push_back({with({"--set", setting}), {"--set", setting}});
    for (const char* setting : {"Ratio=1.5", "Input Gain=-0.1", "Input Gain=half"})
        cases.push_back({with({"--norm", setting}), {"--norm", setting}});

    Scratch directory;
    write(directory / "in.wav", noise(48000, 2, 0.5, 0.5));
    write(directory / "mono.wav", noise(48000, 1, 0.5, 0.5));
    write(directory / "long.wav", noise(48000, 2, 3.0, 0.5));
    write(directory / "three.wav", noise(48000, 3, 0.1, 0.5));
    write(directory / "fast.wav", noise(192001, 1, 0.1, 0.5));
    write(directory / "sc44.wav", noise(44100, 2, 0.5, 0.5));
    std::ofstream(directory / "text.wav") << "this is not audio\n";
    std::ofstream(directory / "bad-preset.txt") << "# one line\nRatio = 8\nKnee = 3\n";
    std::ofstream(directory / "bad.csv") << "0, Ratio, 8\n1.5, Ratio, 4\n";
    std::ofstream(directory / "empty.flac");
    fs::create_directory(directory / "folder.wav");
    fs::create_directory(directory / "sub");
    const auto fileNames = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(directory.path))
            names.push_back(entry.path().string());
        std::ranges::sort(names);
        return names;
    };
    const std::vector<std::string> before = fileNames();
    const std::string input = readFile(directory / "in.wav");
    const auto expand = [&](std::string text) { return text[0] == '@' ? directory / text.substr(1) : text; };
    for (Case& test : cases)
    {
        std::ranges::transform(test.arguments, test.arguments.begin(), expand);
        std::ranges::transform(test.expectedParts, test.expectedParts.begin(), expand);
        SCOPED_TRACE(::testing::PrintToString(test.arguments));
        const Result result = run(test.arguments, test.shellPrefix);
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_EQ(result.out, "");
        ASSERT_EQ(std::ranges::count(result.err, '\n'), 1) << result.err;
        EXPECT_TRUE(result.err.starts_with("corvex: ")) << result.err;
        for (const std::string& part : test.expectedParts)
            EXPECT_NE(result.err.find(part), std::string::npos) << "'" << part << "' missing in: " << result.err;
        EXPECT_EQ(result.err.find("Assertion"), std::string::npos);
        EXPECT_EQ(fileNames(), before) << "an output or temporary file was left behind";
    }
    EXPECT_EQ(readFile(directory / "in.wav"), input);
}

// With the effect off the output is the input, exactly, to the last sample
// (the latency's worth of tail is flushed); with --keep-latency it is the input
// delayed by 5 ms. With the effect on, a tone starts where it starts in the input.
TEST(CorvexProcess, OutputIsAlignedWithTheInputUnlessLatencyIsKept)
{
    for (const auto& [sampleRate, block, latency] : {std::tuple{48000, "32", 240}, {44100, "7", 220}, {8000, "1", 40}})
    {
        SCOPED_TRACE(sampleRate);
        Scratch directory;
        const Sound input = noise(sampleRate, 2, 1.0, 0.9, 0.25);
        write(directory / "in.wav", input);
        for (const bool keepLatency : {false, true})
        {
            std::vector<std::string> options{"--set", "Enable Effect=Off", "--block", block};
            if (keepLatency)
                options.push_back("--keep-latency");
            const Sound output = process(directory, "off.wav", options);
            ASSERT_EQ(output.samples.size(), input.samples.size());
            const std::size_t delay = keepLatency ? static_cast<std::size_t>(latency) * 2 : 0;
            EXPECT_TRUE(std::equal(output.samples.begin() + delay, output.samples.end(), input.samples.begin()));
        }
        const auto onset = [](const Sound& sound) {
            return std::ranges::find_if(sound.samples, [](float sample) { return std::fabs(sample) >= 1e-3f; }) -
                   sound.samples.begin();
        };
        EXPECT_EQ(onset(process(directory, "on.wav", {"--block", block})), onset(input));
    }
}

// The side-chain file, not the main input, drives the gain reduction: the
// deepest gain (dB) of each channel's meter column in a time window.
TEST(CorvexSideChain, DrivesTheGainReduction)
{
    struct Case
    {
        const char* name;
        Sound main, sideChain;
        std::vector<std::string> options;
        double fromSeconds, toSeconds;
        bool reduced; // below -6 dB, else above -1.5 dB
    };
    const Sound loud = noise(48000, 2, 1.0, 0.9), silent = noise(48000, 2, 1.0, 0.0);
    const Case cases[] = {
        {"loud side chain, silent main", silent, loud, {}, 0.2, 1.0, true},
        {"silent side chain, loud main", loud, silent, {}, 0.0, 1.1, false},
        {"side chain switched off", loud, silent, {"--set", "External SC=Off"}, 0.2, 1.0, true},
        {"mono side chain feeds both", silent, noise(48000, 1, 1.0, 0.9), {"--set", "SC Detection Mode=Dual"}, 0.2, 1.0, true},
        {"short side chain padded with silence", noise(48000, 2, 3.0, 0.9), noise(48000, 2, 0.5, 0.9), {}, 2.5, 3.0, false},
        {"long side chain", noise(48000, 2, 3.0, 0.9), noise(48000, 2, 3.0, 0.9), {}, 2.5, 3.0, true}};
    Scratch directory;
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        write(directory / "main.wav", test.main);
        write(directory / "sc.wav", test.sideChain);
        std::vector<std::string> arguments{"process", directory / "main.wav", directory / "out.wav", "--sidechain",
                                           directory / "sc.wav", "--meters", directory / "meters.csv"};
        arguments.insert(arguments.end(), test.options.begin(), test.options.end());
        const Result result = run(arguments);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        std::ifstream csv(directory / "meters.csv");
        std::string line;
        std::getline(csv, line);
        ASSERT_TRUE(line.starts_with("time_s,gain_reduction_0_db,gain_reduction_1_db,")) << line;
        double deepest[2] = {0.0, 0.0};
        while (std::getline(csv, line))
        {
            double time = 0.0, gain[2] = {};
            char comma;
            std::istringstream(line) >> time >> comma >> gain[0] >> comma >> gain[1];
            for (int c = 0; c < 2 && time > test.fromSeconds && time <= test.toSeconds; ++c)
                deepest[c] = std::min(deepest[c], gain[c]);
        }
        for (int c = 0; c < 2; ++c)
            EXPECT_TRUE(test.reduced ? deepest[c] < -6.0 : deepest[c] > -1.5) << "channel " << c << ": " << deepest[c];
    }
}

// The container comes from OUT's extension and the encoding from --format, else
// from the input (32-bit float) where the container holds it, else 24-bit.
TEST(CorvexProcess, TheExtensionChoosesTheFileType)
{
    const auto writable = [](int format) {
        SF_INFO info{0, 48000, 2, format, 0, 0};
        return sf_format_check(&info) != 0 ? format : 0;
    };
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"out.wav"}, SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {{"out.AIFF"}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {{"out.aif", "--format", "wav16"}, SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
        {{"out.flac"}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {{"out.oga"}, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {{"out.mp3"}, writable(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III)},
        {{"out.opus"}, writable(SF_FORMAT_OGG | SF_FORMAT_OPUS)},
    };
    Scratch directory;
    write(directory / "in.wav", noise(48000, 2, 0.5, 0.5));
    for (const auto& [arguments, format] : cases)
    {
        SCOPED_TRACE(arguments[0]);
        std::vector<std::string> command{"process", directory / "in.wav", directory / arguments[0]};
        command.insert(command.end(), arguments.begin() + 1, arguments.end());
        const Result result = run(command);
        EXPECT_EQ(result.exitStatus, format == 0 ? 2 : 0) << result.err;
        SF_INFO info{};
        SNDFILE* file = sf_open((directory / arguments[0]).c_str(), SFM_READ, &info);
        EXPECT_EQ(file != nullptr ? info.format : 0, format);
        sf_close(file);
    }
}

// A factory preset by name, its text saved by `corvex presets NAME` and read
// back as a file, and the same values given with --set render the same samples
// (the files' headers hold the time they were written); --set overrides a preset.
TEST(CorvexPreset, GivesTheSameOutputAsTheSameValuesSet)
{
    Scratch directory;
    write(directory / "in.wav", noise(48000, 2, 0.5, 0.9));
    std::ofstream(directory / "glue.txt") << run({"presets", "drum bus glue"}).out;
    std::ofstream(directory / "partial.txt") << "Ratio = 20\nDry / Wet = 70 %\n";
    const auto render = [&](const std::vector<std::string>& options) { return process(directory, "out.wav", options).samples; };
    const std::vector<std::string> glueSet = {
        "--set", "Input Gain=-16", "--set", "Output Gain=-20", "--set", "Attack Time=5", "--set", "Release Time=2",
        "--set", "Ratio=4", "--set", "SC Detection Mode=Linked", "--set", "Dry / Wet=70"};
    EXPECT_TRUE(render({"--preset", "Drum Bus Glue"}) == render(glueSet));
    EXPECT_TRUE(render({"--preset", directory / "glue.txt"}) == render(glueSet));
    EXPECT_TRUE(render({"--preset", directory / "partial.txt", "--set", "Ratio=8"}) ==
                render({"--set", "Dry / Wet=70", "--set", "Ratio=8"}));
    EXPECT_TRUE(run({"presets"}).out.starts_with("Default\nVocal Leveller\nDrum Bus Glue\n"));
}

// The engine driven by hand: calls cut at every multiple of the block size from
// the first sample and at the point, where "Input Gain" goes to -6 dB; then the
// latency's worth of silence on the same grid, the first latency samples dropped.
std::vector<float> renderByHand(std::vector<float> samples, int blockSize, long point)
{
    const std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    engine->setSampleRate(48000);
    const long latency = engine->getLatencySamples(), total = static_cast<long>(samples.size()) + latency;
    samples.resize(static_cast<std::size_t>(total), 0.0f);
    std::vector<float> output(samples.size());
    for (long start = 0; start < total;)
    {
        if (start == point)
            engine->setNormalizedValue(kParamInputGain, 0.875f); // -48 + 48 * 0.875 = -6 dB
        const long end = std::min({(start / blockSize + 1) * blockSize, total, start < point ? point : total});
        const float* in = samples.data() + start;
        float* out = output.data() + start;
        engine->process(&in, &out, nullptr, 1, static_cast<int>(end - start));
        start = end;
    }
    return {output.begin() + latency, output.end()};
}

// The point takes effect at its own sample, not at the start of its block: the
// tool matches the hand-cut calls bit for bit and differs from the point moved
// to the block's start. 10000 frames span the tool's reading chunks of 4096,
// which a block of 7 does not divide.
TEST(CorvexAutomation, CutsTheCallsAtThePointsPosition)
{
    Scratch directory;
    const Sound input = noise(48000, 1, 10000.0 / 48000, 0.5);
    write(directory / "in.wav", input);
    for (const auto& [blockSize, point] : {std::pair{32, 1000L}, {7, 5001L}})
    {
        SCOPED_TRACE(blockSize);
        std::ofstream(directory / "points.csv") << "# one point\n" << point << ", Input Gain, -6 dB\n"
                                               << "20000, Ratio, All\n";
        const Result result = run({"process", directory / "in.wav", directory / "out.wav", "--automation",
                                   directory / "points.csv", "--block", std::to_string(blockSize)});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_NE(result.err.find("1 point(s) at or after the input's end"), std::string::npos) << result.err;
        const std::vector<float> output = read(directory / "out.wav").samples;
        EXPECT_TRUE(output == renderByHand(input.samples, blockSize, point));
        EXPECT_FALSE(output == renderByHand(input.samples, blockSize, point / blockSize * blockSize));
    }
}

} // namespace
