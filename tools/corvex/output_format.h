#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvex::tool
{

// The names --format accepts: wav16 (16-bit), wav24 (24-bit), float (32-bit
// float) and flac (24-bit, in a FLAC file only).
const std::vector<std::string>& outputFormatNames();

// The libsndfile format of the output file. The container comes from the
// output's extension (.wav, .aiff/.aif, .flac, .ogg/.oga, .mp3, .opus); the
// encoding from the named --format, or else the input's where the container
// holds it, or else the container's own. Throws UsageError for an extension
// the installed libsndfile cannot write and for an encoding the container
// cannot hold at this channel count and rate.
int outputFormat(const std::filesystem::path& output, const std::string& name, int inputFormat, int channels,
                 int sampleRate);

} // namespace corvex::tool
