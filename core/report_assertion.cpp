#include "core/report_assertion.h"

#include "core/message_window.h"

#include <atomic>

namespace core
{

namespace
{

std::atomic<AssertionInterceptor*> installedInterceptor{nullptr};

} // namespace

void setAssertionInterceptor(AssertionInterceptor* interceptor)
{
    installedInterceptor.store(interceptor, std::memory_order_release);
}

std::string assertionText(std::int32_t level, const std::string& expression, const std::string& message)
{
    if (level == kLevelInternal)
    {
        return "A serious error occured, and the program is probably going to crash.\n"
               "We apologize for the inconvenience and encourage you to report this to our tech support.";
    }
    if (level == kLevelArgument)
        return "Assertion '" + expression + "' failed.\n" + message;
    return {};
}

bool reportAssertion(std::int32_t level, const std::string& expression, const std::string& file,
                     std::uint32_t line, const std::string& message)
{
    if (AssertionInterceptor* interceptor = installedInterceptor.load(std::memory_order_acquire))
    {
        interceptor->onReport(AssertionReport{level, expression, file, line, message});
        return false;
    }
    if (level == kLevelInternal || level == kLevelArgument)
        showMessageWindow(kErrorTitle, assertionText(level, expression, message));
    return false;
}

} // namespace core
