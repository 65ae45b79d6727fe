#pragma once

#include "core/report_assertion.h"

#include <mutex>
#include <vector>

namespace corvex::testing
{

// Captures every assertion report made while it lives, instead of showing a window.
class ReportCapture final : public core::AssertionInterceptor
{
public:
    ReportCapture();
    ~ReportCapture();
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    void onReport(const core::AssertionReport& report) override;

    std::vector<core::AssertionReport> reports() const;
    std::size_t count() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<core::AssertionReport> reports_;
};

} // namespace corvex::testing
