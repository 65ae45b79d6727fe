#include "corvex_engine.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

using corvex::testing::ReportCapture;

constexpr const char* kIdExpression = "inParameterId >= 0 && inParameterId < CorvexParameterIds::kNumParameters";
constexpr const char* kValueExpression = "inNormalizedValue >= 0 && inNormalizedValue <= 1";

struct Expected
{
    const char* expression;
    std::uint32_t line;
    std::string message;
};

void expectReports(const ReportCapture& capture, std::initializer_list<Expected> expected)
{
    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), expected.size());
    std::size_t i = 0;
    for (const Expected& e : expected)
    {
        const auto& r = reports[i++];
        EXPECT_EQ(r.level, 3);
        EXPECT_EQ(r.file, "model/corvex_modelengine");
        EXPECT_EQ(r.expression, e.expression);
        EXPECT_EQ(r.line, e.line);
        EXPECT_EQ(r.message, e.message);
    }
}

class EngineReports : public ::testing::Test
{
protected:
    std::unique_ptr<CorvexEngine> engine{createCorvexEngine()};
    ReportCapture capture;
    char text[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
};

TEST_F(EngineReports, SetNormalizedValueRunsBothChecks)
{
    engine->setNormalizedValue(25, 1.5f);
    expectReports(capture, {{kIdExpression, 116, "Invalid parameter ID: 25"},
                            {kValueExpression, 118, "Invalid normalized value: 1.5"}});
    capture.clear();
    engine->setNormalizedValue(-1, 0.5f);
    expectReports(capture, {{kIdExpression, 116, "Invalid parameter ID: -1"}});
    capture.clear();
    engine->setNormalizedValue(3, 1.5f);
    expectReports(capture, {{kValueExpression, 118, "Invalid normalized value: 1.5"}});
    EXPECT_EQ(engine->getNormalizedValue(3), 1.0f);
}

TEST_F(EngineReports, GettersReportAndFallBack)
{
    EXPECT_EQ(engine->getNormalizedValue(20), 0.0f);
    EXPECT_EQ(engine->getCurrentDisplayValue(-7), 0.0f);
    EXPECT_EQ(engine->getDisplayValue(2147483647, -1.0f), 0.0f);
    EXPECT_EQ(engine->getMeterValue(6), 0.0f);
    EXPECT_EQ(engine->getMeterValue(-1), 0.0f);
    expectReports(capture, {{kIdExpression, 172, "Invalid parameter ID: 20"},
                            {kIdExpression, 214, "Invalid parameter ID: -7"},
                            {kIdExpression, 221, "Invalid parameter ID: 2147483647"},
                            {kValueExpression, 223, "Invalid normalized value: -1"},
                            {"inMeterId >= 0 && inMeterId < CorvexMeterIds::kNumMeters", 404, "Invalid meter ID: 6"},
                            {"inMeterId >= 0 && inMeterId < CorvexMeterIds::kNumMeters", 404,
                             "Invalid meter ID: -1"}});
}

TEST_F(EngineReports, TextOperationsReportAndCopyTheEmptyText)
{
    engine->getParameterUnit(20, text, 4);
    EXPECT_EQ(std::string(text, 5), std::string(4, '\0') + "x");
    engine->getParameterName(-2147483647 - 1, text, 4);
    engine->getCurrentValueText(99, text, 4);
    engine->getValueText(40, 0.25f, text, 4);
    engine->getValueText(0, -0.5f, text, 4);
    EXPECT_STREQ(text, "Off");
    expectReports(capture, {{kIdExpression, 179, "Invalid parameter ID: 20"},
                            {kIdExpression, 332, "Invalid parameter ID: -2147483648"},
                            {kIdExpression, 286, "Invalid parameter ID: 99"},
                            {kIdExpression, 294, "Invalid parameter ID: 40"},
                            {kValueExpression, 296, "Invalid normalized value: -0.5"}});
}

TEST_F(EngineReports, ValuesAreWrittenInGeneralNotation)
{
    engine->setNormalizedValue(1, 1234567.0f);
    engine->setNormalizedValue(1, 1e-7f);
    engine->setNormalizedValue(1, -1.0f / 3.0f);
    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 2u) << "1e-7 is a valid value";
    EXPECT_EQ(reports[0].message, "Invalid normalized value: 1.23457e+06");
    EXPECT_EQ(reports[1].message, "Invalid normalized value: -0.333333");
}

TEST_F(EngineReports, SampleRateChecks)
{
    engine->setSampleRate(1);
    engine->setSampleRate(192000);
    EXPECT_EQ(capture.count(), 0u);
    engine->setSampleRate(0);
    engine->setSampleRate(-1);
    engine->setSampleRate(192001);
    expectReports(capture, {{"inSampleRate > 0", 100, "Invalid sample rate: 0"},
                            {"inSampleRate > 0", 100, "Invalid sample rate: -1"},
                            {"inSampleRate <= kCorvexMaxSampleRate", 101, "Sample rate not supported: 192001"}});
    EXPECT_EQ(engine->getLatencySamples(), 960) << "a rejected rate keeps the previous one";
}

} // namespace
