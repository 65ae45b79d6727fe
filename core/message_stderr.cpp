#include "core/message_stderr.h"

#include <cstdio>

namespace core
{

void writeMessageToStderr(const std::string& title, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
}

} // namespace core
