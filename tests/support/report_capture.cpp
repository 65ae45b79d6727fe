#include "tests/support/report_capture.h"

namespace corvex::testing
{

void ReportCapture::onReport(const core::AssertionReport& report)
{
    std::lock_guard lock(mutex_);
    reports_.push_back(report);
}

std::vector<core::AssertionReport> ReportCapture::reports() const
{
    std::lock_guard lock(mutex_);
    return reports_;
}

std::vector<std::string> ReportCapture::described() const
{
    std::vector<std::string> lines;
    for (const core::AssertionReport& r : reports())
        lines.push_back(std::to_string(r.level) + " " + r.file + ":" + std::to_string(r.line) + " " + r.expression + " | " + r.message);
    return lines;
}

} // namespace corvex::testing
