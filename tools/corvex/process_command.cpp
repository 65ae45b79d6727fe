#include "tools/corvex/process_command.h"

#include "tools/corvex/audio_file_reader.h"
#include "tools/corvex/audio_file_writer.h"
#include "tools/corvex/engine_session.h"
#include "tools/corvex/meter_csv_recorder.h"
#include "tools/corvex/output_format.h"
#include "tools/corvex/path_checks.h"
#include "tools/corvex/progress_bar.h"
#include "tools/corvex/signal_statistics.h"
#include "tools/corvex/summary_line.h"
#include "tools/corvex/usage_error.h"

#include "libraries/host/factory_presets.h"
#include "libraries/host/preset_text.h"
#include "libraries/host/stream_renderer.h"
#include "libraries/host/value_text_lookup.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

namespace corvex::tool
{

namespace
{

constexpr std::int64_t kChunkFrames = 4096;

void checkSideChain(const AudioFileReader& input, const AudioFileReader& sideChain)
{
    const std::string name = "--sidechain '" + sideChain.path().string() + "'";
    if (sideChain.sampleRate() != input.sampleRate())
        throw UsageError(name + " runs at " + std::to_string(sideChain.sampleRate()) + " Hz, the input at " +
                         std::to_string(input.sampleRate()) + " Hz; both must have the same rate");
    if (sideChain.channels() != 1 && sideChain.channels() != input.channels())
        throw UsageError(name + " has " + std::to_string(sideChain.channels()) + " channels for a " +
                         std::to_string(input.channels()) +
                         "-channel input; use a mono side chain or one with the input's channels");
}

// A side chain given as a file drives the detector unless "External SC" is set explicitly.
void switchOnExternalSideChain(const std::vector<host::ParameterDescription>& parameters,
                               std::vector<ParameterSetting>& settings)
{
    if (containsParameter(settings, kParamExternalSideChain))
        return;
    const std::optional<float> on = host::normalizedFromText(parameters[kParamExternalSideChain], "On");
    if (on)
        settings.push_back({kParamExternalSideChain, *on});
}

// Reads the side chain chunk that goes with frames of input, padded with silence after its end.
void readSideChain(AudioFileReader& sideChain, std::int64_t frames, std::vector<float>& samples)
{
    const std::int64_t got = sideChain.read(samples, frames);
    std::fill(samples.begin() + got * sideChain.channels(), samples.end(), 0.0f);
}

std::string readTextFile(const std::filesystem::path& path, const std::string& option)
{
    const std::string name = option + " '" + path.string() + "'";
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw UsageError(name + " is a directory");
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw UsageError("cannot read " + name + ": " + std::strerror(errno));
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The values of --preset: a factory preset by its name in any case, else a preset file.
std::vector<ParameterSetting> presetSettings(const EngineSession& session, const std::string& nameOrFile)
{
    if (nameOrFile.empty())
        return {};
    if (const host::FactoryPreset* preset = host::findFactoryPreset(nameOrFile))
        return host::parsePreset(*session.engine, session.parameters, preset->text, preset->name);
    std::error_code error;
    if (!std::filesystem::exists(nameOrFile, error))
        throw UsageError("--preset '" + nameOrFile +
                         "' is neither a factory preset (corvex presets lists them) nor a file");
    return host::parsePreset(*session.engine, session.parameters, readTextFile(nameOrFile, "--preset"), nameOrFile);
}

std::vector<host::AutomationPoint> automationPoints(const EngineSession& session, const std::filesystem::path& path,
                                                    const AudioFileReader& input)
{
    if (path.empty())
        return {};
    std::vector<host::AutomationPoint> points = host::parseAutomation(
        *session.engine, session.parameters, readTextFile(path, "--automation"), input.sampleRate(), path.string());
    const auto late = std::ranges::count_if(
        points, [&](const host::AutomationPoint& point) { return point.positionSamples >= input.frames(); });
    if (late > 0)
        std::cerr << "corvex: warning: automation '" << path.string() << "': " << late
                  << " point(s) at or after the input's end (sample " << input.frames() << ") ignored" << std::endl;
    return points;
}

} // namespace

void runProcessCommand(const ProcessOptions& options)
{
    const bool presetFile = !options.preset.empty() && host::findFactoryPreset(options.preset) == nullptr;
    requireSeparateOutputs({{"IN", options.input},
                            {"--sidechain", options.sideChain},
                            {"--automation", options.automation},
                            {"--preset", presetFile ? options.preset : ""}},
                           {{"OUT", options.output}, {"--meters", options.metersCsv}});
    AudioFileReader input(options.input);
    std::unique_ptr<AudioFileReader> sideChain;
    if (!options.sideChain.empty())
    {
        sideChain = std::make_unique<AudioFileReader>(options.sideChain);
        checkSideChain(input, *sideChain);
    }

    EngineSession session = openEngineSession();
    const std::vector<ParameterSetting> optionSettings = parseParameterSettings(
        *session.engine, session.parameters, options.displaySettings, options.normalizedSettings);
    std::vector<ParameterSetting> settings = overrideSettings(presetSettings(session, options.preset), optionSettings);
    const std::vector<host::AutomationPoint> automation = automationPoints(session, options.automation, input);
    if (sideChain)
        switchOnExternalSideChain(session.parameters, settings);

    const int channels = input.channels();
    const int format = outputFormat(options.output, options.format, input.format(), channels, input.sampleRate());
    AudioFileWriter output(options.output, format, channels, input.sampleRate());
    std::unique_ptr<TextFileWriter> metersFile;
    std::unique_ptr<MeterCsvRecorder> meters;
    if (!options.metersCsv.empty())
    {
        metersFile = std::make_unique<TextFileWriter>(options.metersCsv);
        meters = std::make_unique<MeterCsvRecorder>(*metersFile, input.sampleRate(), channels);
    }

    prepareEngine(*session.engine, input.sampleRate(), settings);
    if (!settings.empty())
        std::cout << "settings: " << describeSettings(*session.engine, session.parameters, settings) << std::endl;
    LevelStatistics inputLevels(channels);
    LevelStatistics outputLevels(channels);
    GainReductionStatistics reduction;
    host::StreamRenderer renderer(*session.engine, channels, {options.blockSize, options.keepLatency},
                                  [&](const float* meterValues, int frames) {
                                      reduction.addBlock(meterValues, frames);
                                      if (meters)
                                          meters->addBlock(meterValues, frames);
                                  },
                                  automation);
    ProgressBar progress(input.frames(), input.sampleRate());

    std::vector<float> inputChunk;
    std::vector<float> sideChainChunk;
    std::vector<float> outputChunk;
    std::int64_t done = 0;
    while (const std::int64_t frames = input.read(inputChunk, kChunkFrames))
    {
        if (sideChain)
            readSideChain(*sideChain, frames, sideChainChunk);
        inputLevels.add(inputChunk.data(), frames);
        renderer.render(inputChunk.data(), sideChain ? sideChainChunk.data() : nullptr,
                        sideChain ? sideChain->channels() : 0, frames, outputChunk);
        const std::int64_t outputFrames = static_cast<std::int64_t>(outputChunk.size()) / channels;
        outputLevels.add(outputChunk.data(), outputFrames);
        output.write(outputChunk.data(), outputFrames);
        progress.update(done += frames);
    }
    renderer.flush(outputChunk);
    const std::int64_t tailFrames = static_cast<std::int64_t>(outputChunk.size()) / channels;
    outputLevels.add(outputChunk.data(), tailFrames);
    output.write(outputChunk.data(), tailFrames);

    output.finish();
    if (metersFile)
        metersFile->finish();
    std::cout << summaryLine(channels, inputLevels, outputLevels, reduction) << std::endl;
}

} // namespace corvex::tool
