#pragma once

#include <stdexcept>
#include <string>

namespace corvex::tool
{

// A failure caused by the user's input (a file, an option, a value, a full disk):
// reported as one line on stderr with exit status 2.
class UsageError : public std::runtime_error
{
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace corvex::tool
