#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvex::tool
{

struct ProcessOptions
{
    std::filesystem::path input;
    std::filesystem::path output;
    std::filesystem::path sideChain;                // empty: no side-chain file
    std::filesystem::path metersCsv;                // empty: no meters
    std::string preset;                             // a factory preset's name or a preset file; empty: none
    std::filesystem::path automation;               // empty: no automation file
    std::vector<std::string> displaySettings;       // --set NAME=VALUE
    std::vector<std::string> normalizedSettings;    // --norm NAME=VALUE
    int blockSize = 32;
    bool keepLatency = false;
    std::string format;                             // empty: the input's encoding
};

// corvex process: runs the engine over a file and prints a summary. Every
// check on files, options and values runs before the engine sees anything.
void runProcessCommand(const ProcessOptions& options);

} // namespace corvex::tool
