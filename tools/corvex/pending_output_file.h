#pragma once

#include <filesystem>

namespace corvex::tool
{

// A file written under a temporary name beside its destination and renamed onto
// it only by commit(), so that a failed run leaves nothing behind: the temporary
// file is removed when the object dies uncommitted.
class PendingOutputFile
{
public:
    explicit PendingOutputFile(std::filesystem::path destination);
    ~PendingOutputFile();
    PendingOutputFile(const PendingOutputFile&) = delete;
    PendingOutputFile& operator=(const PendingOutputFile&) = delete;

    // Gives up the descriptor of the temporary file (opened for writing) to the caller.
    int releaseDescriptor();
    const std::filesystem::path& destination() const { return destination_; }
    const std::filesystem::path& temporaryPath() const { return temporaryPath_; }

    // Moves the finished temporary file onto the destination.
    void commit();

private:
    std::filesystem::path destination_;
    std::filesystem::path temporaryPath_;
    int descriptor_ = -1;
    bool committed_ = false;
};

} // namespace corvex::tool
