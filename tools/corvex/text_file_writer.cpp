#include "tools/corvex/text_file_writer.h"

#include "tools/corvex/usage_error.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace corvex::tool
{

TextFileWriter::TextFileWriter(const std::filesystem::path& destination) : output_(destination)
{
    stream_ = fdopen(output_.releaseDescriptor(), "w");
    if (stream_ == nullptr)
        fail();
}

TextFileWriter::~TextFileWriter()
{
    if (stream_ != nullptr)
        std::fclose(stream_);
}

void TextFileWriter::writeLine(std::string_view line)
{
    if (std::fwrite(line.data(), 1, line.size(), stream_) != line.size() || std::fputc('\n', stream_) == EOF)
        fail();
}

void TextFileWriter::finish()
{
    std::FILE* stream = stream_;
    stream_ = nullptr;
    if (std::fclose(stream) != 0)
        fail();
    output_.commit();
}

void TextFileWriter::fail()
{
    throw UsageError("cannot write '" + output_.destination().string() + "': " + std::strerror(errno));
}

} // namespace corvex::tool
