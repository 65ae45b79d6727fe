#include "tools/corvex/demo_command.h"

#include "tools/corvex/audio_file_writer.h"
#include "tools/corvex/curve_command.h"
#include "tools/corvex/demo_signal.h"
#include "tools/corvex/engine_session.h"
#include "tools/corvex/process_command.h"
#include "tools/corvex/usage_error.h"

#include <sndfile.h>

#include <iostream>
#include <string>
#include <vector>

namespace corvex::tool
{

namespace
{

// The demo's setting, given as a user would on the command line: 6 dB less
// drive than unity, ratio 4, medium-fast ballistics, the kick and sub kept out of
// the detector by a 90 Hz high-pass, and 10 dB of make-up gain.
const std::vector<std::string> kDemoSettings = {
    "Input Gain=-30 dB",
    "Ratio=4",
    "Attack Time=3",
    "Release Time=3",
    "SC EQ On=On",
    "SC EQ HPF On=On",
    "SC EQ HPF Freq=90 Hz",
    "Output Gain=-14 dB",
};

// The curve shows every ratio with the rest of the setting.
std::vector<std::string> settingsWithoutRatio()
{
    std::vector<std::string> settings;
    for (const std::string& setting : kDemoSettings)
    {
        if (!setting.starts_with("Ratio="))
            settings.push_back(setting);
    }
    return settings;
}

void writeDrySignal(const std::filesystem::path& path)
{
    const std::vector<float> signal = synthesizeDrumAndBass();
    AudioFileWriter writer(path, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, kDemoSampleRate);
    writer.write(signal.data(), static_cast<std::int64_t>(signal.size() / 2));
    writer.finish();
}

} // namespace

void runDemoCommand(const std::filesystem::path& outputDirectory)
{
    std::error_code error;
    std::filesystem::create_directories(outputDirectory, error);
    if (error)
        throw UsageError("cannot create '" + outputDirectory.string() + "': " + error.message());

    ProcessOptions process;
    process.input = outputDirectory / "dry.wav";
    process.output = outputDirectory / "wet.wav";
    process.metersCsv = outputDirectory / "meters.csv";
    process.displaySettings = kDemoSettings;
    const std::filesystem::path curve = outputDirectory / "curve.csv";

    writeDrySignal(process.input);
    runProcessCommand(process);
    runCurveCommand(curve, settingsWithoutRatio(), {});

    std::cout << "wrote " << process.input.string() << ", " << process.output.string() << ", "
              << process.metersCsv.string() << ", " << curve.string() << std::endl;
}

} // namespace corvex::tool
