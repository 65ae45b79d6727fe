#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvex::testing
{

struct ToolResult
{
    int exitStatus; // the exit code, or 128 + signal number
    std::string out;
    std::string err;
};

// Runs a program with arguments (no shell) and collects its exit status and output.
ToolResult runProgram(const std::vector<std::string>& arguments);

// Runs the built corvex executable with arguments.
ToolResult runCorvex(const std::vector<std::string>& arguments);

// The whole content of a file; empty when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

// The lines of a text, without their line ends.
std::vector<std::string> lines(const std::string& text);

// A scratch directory, removed with everything in it when the object dies.
class ScratchDirectory
{
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }
    // Names of the files in the directory, sorted.
    std::vector<std::string> fileNames() const;

private:
    std::filesystem::path path_;
};

} // namespace corvex::testing
