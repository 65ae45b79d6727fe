#pragma once

#include <cstdint>
#include <string>

namespace core
{

// Severity levels of reportAssertion.
inline constexpr std::int32_t kLevelInternal = 2; // internal consistency checks: generic apology
inline constexpr std::int32_t kLevelArgument = 3; // argument checks: expression and message

inline constexpr const char* kErrorTitle = "Serious error";

struct AssertionReport
{
    std::int32_t level;
    std::string expression;
    std::string file;
    std::uint32_t line;
    std::string message;
};

// Tells the user that a check failed (a modal message window that blocks the
// calling thread until dismissed) and returns false. Never throws, keeps no state.
bool reportAssertion(std::int32_t level, const std::string& expression, const std::string& file,
                     std::uint32_t line, const std::string& message);

// The text the user sees for a report; empty for levels that show nothing.
std::string assertionText(std::int32_t level, const std::string& expression, const std::string& message);

// Test seam: while an interceptor is installed, every report goes to it instead
// of the message window. The caller owns the interceptor and must uninstall it
// (pass nullptr) before destroying it.
class AssertionInterceptor
{
public:
    virtual void onReport(const AssertionReport& report) = 0;

protected:
    ~AssertionInterceptor() = default;
};

void setAssertionInterceptor(AssertionInterceptor* interceptor);

} // namespace core
