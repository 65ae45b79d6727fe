#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvex::tool
{

struct NamedPath
{
    std::string role; // how the user gave it: "IN", "--sidechain", "OUT", "--meters"
    std::filesystem::path path;
};

// Refuses outputs that would overwrite one of the inputs or each other, so that
// no run destroys the audio it reads. Empty paths are not given and pass.
void requireSeparateOutputs(const std::vector<NamedPath>& inputs, const std::vector<NamedPath>& outputs);

} // namespace corvex::tool
