#pragma once

#include <filesystem>

namespace corvex::tool
{

// corvex demo OUTDIR: writes the built-in drum-and-bass example (dry.wav), runs
// it through the engine with a musical setting (wet.wav, meters.csv) and writes
// the static curve of that setting for every ratio (curve.csv). The pictures
// come from scripts/plot (scripts/demo runs it).
void runDemoCommand(const std::filesystem::path& outputDirectory);

} // namespace corvex::tool
