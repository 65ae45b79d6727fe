#pragma once

#include "tools/corvex/pending_output_file.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace corvex::tool
{

// A text file (CSV) written under a temporary name until finish() (see
// PendingOutputFile); a failed write is reported with the destination's name.
class TextFileWriter
{
public:
    explicit TextFileWriter(const std::filesystem::path& destination);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    void writeLine(std::string_view line);

    // Completes the file and moves it onto the destination.
    void finish();

private:
    [[noreturn]] void fail();

    PendingOutputFile output_;
    std::FILE* stream_ = nullptr;
};

} // namespace corvex::tool
