#include "core/report_assertion.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

namespace
{

TEST(AssertionText, ArgumentLevelShowsExpressionAndMessageVerbatim)
{
    EXPECT_EQ(core::assertionText(3, "inNumChannels > 0 && inNumChannels <= kCorvexMaxNumChannels",
                                  "Invalid number of channels: 3"),
              "Assertion 'inNumChannels > 0 && inNumChannels <= kCorvexMaxNumChannels' failed.\n"
              "Invalid number of channels: 3");
    EXPECT_EQ(core::assertionText(3, "false", ""), "Assertion 'false' failed.\n");
    EXPECT_EQ(core::assertionText(3, "0", "x"), "Assertion '0' failed.\nx");
}

TEST(AssertionText, InternalLevelApologisesWhateverItIsGiven)
{
    const std::string apology = "A serious error occured, and the program is probably going to crash.\n"
                                "We apologize for the inconvenience and encourage you to report this to our tech "
                                "support.";
    EXPECT_EQ(core::assertionText(2, "isStable(c)", "whatever"), apology);
    EXPECT_EQ(core::assertionText(2, "", ""), apology);
}

TEST(AssertionText, OtherLevelsShowNothing)
{
    EXPECT_EQ(core::assertionText(1, "a", "b"), "");
    EXPECT_EQ(core::assertionText(4, "a", "b"), "");
    EXPECT_EQ(core::assertionText(-3, "a", "b"), "");
}

TEST(ReportAssertion, ReturnsFalseAndHandsEveryFieldToTheInterceptor)
{
    corvex::testing::ReportCapture capture;
    EXPECT_FALSE(core::reportAssertion(3, "x > 0", "model/corvex_modelengine", 100, "Invalid: -1"));
    EXPECT_FALSE(core::reportAssertion(3, "x > 0", "model/corvex_modelengine", 100, "Invalid: -1"));
    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 2u) << "the handler keeps no memory of earlier reports";
    EXPECT_EQ(reports[0].level, 3);
    EXPECT_EQ(reports[0].expression, "x > 0");
    EXPECT_EQ(reports[0].file, "model/corvex_modelengine");
    EXPECT_EQ(reports[0].line, 100u);
    EXPECT_EQ(reports[0].message, "Invalid: -1");
}

TEST(ReportAssertion, WithoutInterceptorAnUnshownLevelReturnsQuietly)
{
    // Level 1 shows nothing, so this must neither block nor print.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(core::reportAssertion(1, "x", "f", 1, "m"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
