#include "tools/corvex/path_checks.h"

#include "tools/corvex/usage_error.h"

namespace corvex::tool
{

namespace
{

bool sameFile(const std::filesystem::path& left, const std::filesystem::path& right)
{
    std::error_code error;
    if (std::filesystem::exists(left, error) && std::filesystem::exists(right, error))
        return std::filesystem::equivalent(left, right, error);
    return std::filesystem::weakly_canonical(left, error) == std::filesystem::weakly_canonical(right, error);
}

} // namespace

void requireSeparateOutputs(const std::vector<NamedPath>& inputs, const std::vector<NamedPath>& outputs)
{
    for (std::size_t index = 0; index < outputs.size(); ++index)
    {
        const NamedPath& output = outputs[index];
        if (output.path.empty())
            continue;
        for (const NamedPath& input : inputs)
        {
            if (!input.path.empty() && sameFile(output.path, input.path))
                throw UsageError(output.role + " '" + output.path.string() + "' is the same file as " + input.role +
                                 "; choose another output file");
        }
        for (std::size_t other = 0; other < index; ++other)
        {
            if (!outputs[other].path.empty() && sameFile(output.path, outputs[other].path))
                throw UsageError(output.role + " '" + output.path.string() + "' is the same file as " +
                                 outputs[other].role);
        }
    }
}

} // namespace corvex::tool
