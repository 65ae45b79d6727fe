#include "tests/support/report_capture.h"

namespace corvex::testing
{

ReportCapture::ReportCapture()
{
    core::setAssertionInterceptor(this);
}

ReportCapture::~ReportCapture()
{
    core::setAssertionInterceptor(nullptr);
}

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

std::size_t ReportCapture::count() const
{
    std::lock_guard lock(mutex_);
    return reports_.size();
}

void ReportCapture::clear()
{
    std::lock_guard lock(mutex_);
    reports_.clear();
}

} // namespace corvex::testing
