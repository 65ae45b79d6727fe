#include "tools/corvex/pending_output_file.h"

#include "tools/corvex/usage_error.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvex::tool
{

namespace
{

// Permissions of a file created normally: 0666 less the process's umask.
mode_t defaultFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

PendingOutputFile::PendingOutputFile(std::filesystem::path destination) : destination_(std::move(destination))
{
    const std::filesystem::path directory = destination_.has_parent_path() ? destination_.parent_path() : ".";
    std::string pattern = (directory / ("." + destination_.filename().string() + ".corvex-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = mkstemp(name.data());
    if (descriptor_ < 0)
        throw UsageError("cannot write '" + destination_.string() + "': " + std::strerror(errno));
    temporaryPath_ = name.data();
    fchmod(descriptor_, defaultFileMode());
}

PendingOutputFile::~PendingOutputFile()
{
    if (descriptor_ >= 0)
        close(descriptor_);
    if (!committed_)
        unlink(temporaryPath_.c_str());
}

int PendingOutputFile::releaseDescriptor()
{
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

void PendingOutputFile::commit()
{
    if (std::rename(temporaryPath_.c_str(), destination_.c_str()) != 0)
        throw UsageError("cannot write '" + destination_.string() + "': " + std::strerror(errno));
    committed_ = true;
}

} // namespace corvex::tool
