#pragma once

#include <exception>
#include <string>

namespace core
{

// Root of the library's exception family. Used only inside the filter-design code.
class Exception : public std::exception
{
public:
    Exception() = default;
    explicit Exception(std::string message) : message_(std::move(message)) {}
    Exception(const Exception&) = default;
    Exception& operator=(const Exception&) = default;
    ~Exception() override = default;

    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

} // namespace core
