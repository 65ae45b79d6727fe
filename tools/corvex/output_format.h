#pragma once

#include <string>
#include <vector>

namespace corvex::tool
{

// The names --format accepts: wav16, wav24, float (32-bit float WAV) and flac (24-bit).
const std::vector<std::string>& outputFormatNames();

// The libsndfile format of the output: the named one, or the input's when name is empty.
int outputFormat(const std::string& name, int inputFormat);

} // namespace corvex::tool
