// corvex: runs the Corvex engine over audio files from the command line.
#include "tools/corvex/curve_command.h"
#include "tools/corvex/demo_command.h"
#include "tools/corvex/output_format.h"
#include "tools/corvex/params_command.h"
#include "tools/corvex/presets_command.h"
#include "tools/corvex/process_command.h"
#include "tools/corvex/usage_error.h"

#include "engine/corvex_engine.h"
#include "libraries/host/parameter_value_text.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

namespace
{

constexpr int kExitBadInput = 2;
constexpr int kExitFailure = 1;

void addParameterOptions(CLI::App& command, std::vector<std::string>& displaySettings,
                         std::vector<std::string>& normalizedSettings)
{
    command
        .add_option("--set", displaySettings,
                    "NAME=VALUE: a parameter by name or id, with the value as shown (\"On\", \"All\", \"-12\", \"100 Hz\")")
        ->take_all()
        ->allow_extra_args(false);
    command.add_option("--norm", normalizedSettings, "NAME=VALUE: a parameter with a normalized value from 0 to 1")
        ->allow_extra_args(false);
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"corvex: runs the Corvex compressor/limiter engine over audio files", "corvex"};
    app.require_subcommand(1);
    {
        // The version is the engine's own, as packages and plug-ins name it.
        CorvexEngine* engine = createCorvexEngine();
        app.set_version_flag("--version", std::string("corvex ") + engine->getVersion());
        delete engine;
    }

    corvex::tool::ProcessOptions process;
    CLI::App* processCommand = app.add_subcommand("process", "process an audio file (WAV, AIFF, FLAC, Ogg; mono or stereo)");
    processCommand->add_option("IN", process.input, "input audio file")->required();
    processCommand
        ->add_option("OUT", process.output,
                     "output audio file, its type from its extension (.wav, .aiff, .flac, .ogg, .mp3, .opus), "
                     "written only when all went well")
        ->required();
    processCommand->add_option("--sidechain", process.sideChain,
                               "side-chain audio file (switches \"External SC\" on unless it is set)");
    addParameterOptions(*processCommand, process.displaySettings, process.normalizedSettings);
    processCommand->add_option("--preset", process.preset,
                               "NAME|FILE: a factory preset (corvex presets lists them) or a preset file; "
                               "--set and --norm override its values");
    processCommand->add_option("--automation", process.automation,
                               "FILE: parameter changes, one a line: POSITION (samples, or seconds with s), "
                               "NAME, VALUE");
    processCommand->add_option("--block", process.blockSize, "samples per process call")
        ->check(CLI::Range(1, kCorvexMaxBufferSize))
        ->default_val(kCorvexMaxBufferSize);
    processCommand->add_flag("--keep-latency", process.keepLatency,
                             "keep the engine's delay instead of aligning the output with the input");
    processCommand->add_option("--meters", process.metersCsv, "write the meters in dB every 10 ms to this CSV file");
    processCommand
        ->add_option("--format", process.format,
                     "sample encoding of OUT: wav16, wav24, float, or flac (24-bit FLAC); default: the input's")
        ->check(CLI::IsMember(corvex::tool::outputFormatNames()));

    CLI::App* paramsCommand = app.add_subcommand("params", "list the parameters, their defaults and ranges");

    std::string presetName;
    CLI::App* presetsCommand = app.add_subcommand("presets", "list the factory presets, or print the one named");
    presetsCommand->add_option("NAME", presetName, "a factory preset whose text to print");

    std::filesystem::path curveCsv;
    std::vector<std::string> curveDisplaySettings;
    std::vector<std::string> curveNormalizedSettings;
    CLI::App* curveCommand =
        app.add_subcommand("curve", "write the static curve (output level of a 1 kHz sine, -60 to 0 dBFS) as CSV");
    curveCommand->add_option("CSV", curveCsv, "output CSV file")->required();
    addParameterOptions(*curveCommand, curveDisplaySettings, curveNormalizedSettings);

    std::filesystem::path demoDirectory;
    CLI::App* demoCommand = app.add_subcommand("demo", "render the built-in drum-and-bass example");
    demoCommand->add_option("OUTDIR", demoDirectory, "directory for dry.wav, wet.wav, meters.csv and curve.csv")
        ->required();

    try
    {
        app.parse(argc, argv);
        if (processCommand->parsed())
            corvex::tool::runProcessCommand(process);
        else if (paramsCommand->parsed())
            corvex::tool::runParamsCommand();
        else if (presetsCommand->parsed())
            corvex::tool::runPresetsCommand(presetName);
        else if (curveCommand->parsed())
            corvex::tool::runCurveCommand(curveCsv, curveDisplaySettings, curveNormalizedSettings);
        else if (demoCommand->parsed())
            corvex::tool::runDemoCommand(demoDirectory);
    }
    catch (const CLI::CallForHelp& help)
    {
        return app.exit(help);
    }
    catch (const CLI::CallForAllHelp& help)
    {
        return app.exit(help);
    }
    catch (const CLI::CallForVersion& version)
    {
        return app.exit(version);
    }
    catch (const CLI::ParseError& error)
    {
        const std::vector<std::string> unexpected = app.remaining();
        if (app.get_subcommands().empty() && !unexpected.empty())
            std::cerr << "corvex: unknown command '" << unexpected.front()
                      << "'; the commands are process, params, presets, curve and demo";
        else
            std::cerr << "corvex: " << error.what();
        std::cerr << " (corvex --help shows the usage)" << std::endl;
        return kExitBadInput;
    }
    catch (const corvex::tool::UsageError& error)
    {
        std::cerr << "corvex: " << error.what() << std::endl;
        return kExitBadInput;
    }
    catch (const corvex::host::ParameterTextError& error)
    {
        std::cerr << "corvex: " << error.what() << std::endl;
        return kExitBadInput;
    }
    catch (const std::exception& error)
    {
        std::cerr << "corvex: " << error.what() << std::endl;
        return kExitFailure;
    }
    return 0;
}
