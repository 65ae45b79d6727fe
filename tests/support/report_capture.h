#pragma once

#include "core/report_assertion.h"

#include <mutex>
#include <string>
#include <vector>

namespace corvex::testing
{

// Captures every assertion report made while it lives, instead of showing a window.
class ReportCapture final : public core::AssertionInterceptor
{
public:
    ReportCapture() { core::setAssertionInterceptor(this); }
    ~ReportCapture() { core::setAssertionInterceptor(nullptr); }
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    void onReport(const core::AssertionReport& report) override
    {
        std::lock_guard lock(mutex_);
        reports_.push_back(report);
    }
    std::size_t count() const
    {
        std::lock_guard lock(mutex_);
        return reports_.size();
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        reports_.clear();
    }
    // Each report as "level file:line expression | message", for comparing whole lists.
    std::vector<std::string> described() const
    {
        std::lock_guard lock(mutex_);
        std::vector<std::string> lines;
        for (const core::AssertionReport& r : reports_)
            lines.push_back(std::to_string(r.level) + " " + r.file + ":" + std::to_string(r.line) + " " + r.expression +
                            " | " + r.message);
        return lines;
    }

private:
    mutable std::mutex mutex_;
    std::vector<core::AssertionReport> reports_;
};

} // namespace corvex::testing
