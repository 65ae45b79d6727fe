#pragma once

#include "core/report_assertion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace corvex::testing
{

// A filter design's report: severity level 2, the failed check's expression, the
// design's file and the check's line, and no message.
inline void expectDesignReport(const core::AssertionReport& report, const std::string& expression,
                               const std::string& file, std::uint32_t line)
{
    EXPECT_EQ(report.level, 2);
    EXPECT_EQ(report.expression, expression);
    EXPECT_EQ(report.file, file);
    EXPECT_EQ(report.line, line);
    EXPECT_EQ(report.message, "");
}

} // namespace corvex::testing
