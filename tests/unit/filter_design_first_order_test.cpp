#include "libraries/dsp/filter_design/digital_iir_tools.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1lowpass.h"
#include "tests/support/report_capture.h"
#include "tests/unit/filter_design_report_expectation.h"
#include "tests/unit/filter_response.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace
{

using corvex::testing::digitalGain;
using corvex::testing::expectDesignReport;
using corvex::testing::firstOrderHighPassPrototypeGain;
using corvex::testing::firstOrderLowPassPrototypeGain;
using corvex::testing::ReportCapture;
using corvex::testing::toDb;
using dsp::FirstOrderParams;

constexpr const char* kHighPassFile = "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass";
constexpr const char* kLowPassFile = "libraries/dsp/filter_design/primitives/order1/dsp_order1lowpass";

// The designs match the prototype's squared magnitude at the corner, limited to
// 0.8 Omega, and at Omega = 1.5672 fs rad/s.
double upperMatchHz(double sampleRate)
{
    return 1.5672 * sampleRate / (2.0 * std::numbers::pi);
}

double cornerMatchHz(double frequencyHz, double sampleRate)
{
    return std::min(frequencyHz, 0.8 * upperMatchHz(sampleRate));
}

TEST(FirstOrderHighPass, BlocksDcExactlyAndApproachesItsGainTowardsNyquist)
{
    ReportCapture capture;
    for (const double gainDb : {0.0, 6.0, -10.0})
    {
        const FirstOrderParams params{20.0, 0.0, gainDb};
        const dsp::FirstOrderCoefficients c = dsp::designFirstOrderHighPass(params, 48000.0);
        EXPECT_EQ(c.a0, 1.0);
        EXPECT_EQ(c.b0 + c.b1, 0.0) << gainDb;
        EXPECT_EQ(digitalGain(c, 0.0, 48000.0), 0.0) << gainDb;
        EXPECT_NEAR(toDb(digitalGain(c, 24000.0, 48000.0)), gainDb, 0.001) << gainDb;
        EXPECT_NEAR(toDb(digitalGain(c, 12000.0, 48000.0)), gainDb, 0.001) << gainDb;
        EXPECT_TRUE(dsp::DigitalIIRTools<1>::isStable(c));
        EXPECT_TRUE(dsp::DigitalIIRTools<1>::isMinimumPhase(c));
    }
    EXPECT_EQ(capture.count(), 0u);
}

TEST(FirstOrderHighPass, EqualsItsPrototypeAtDcTheCornerAndNearAQuarterOfTheRate)
{
    ReportCapture capture;
    const FirstOrderParams cases[] = {
        {100.0, 0.0, 0.0},
        {1000.0, 0.25, -3.0}, // a low shelf at mix G: nonzero DC to match
        {2000.0, 3.0, 2.0},   // a low boost
        {15000.0, 0.0, 0.0},  // corner above 0.8 Omega: matched there instead
    };
    for (const double fs : {44100.0, 48000.0})
    {
        for (const FirstOrderParams& params : cases)
        {
            const dsp::FirstOrderCoefficients c = dsp::designFirstOrderHighPass(params, fs);
            const auto prototype = [&](double f) { return firstOrderHighPassPrototypeGain(params, f); };
            for (const double f : {0.0, cornerMatchHz(params.mFrequency, fs), upperMatchHz(fs)})
            {
                if (prototype(f) == 0.0)
                    EXPECT_EQ(digitalGain(c, f, fs), 0.0);
                else
                    EXPECT_NEAR(toDb(digitalGain(c, f, fs)), toDb(prototype(f)), 1e-9)
                        << params.mFrequency << " Hz at " << f << " Hz, fs " << fs;
            }
        }
    }
    EXPECT_EQ(capture.count(), 0u);
}

TEST(FirstOrderLowPass, EqualsItsPrototypeAtTheCornerAndNearAQuarterOfTheRateWithUnitDcGain)
{
    ReportCapture capture;
    const FirstOrderParams cases[] = {
        {1000.0, 0.0, 0.0},
        {3000.0, 0.1, 0.0},  // a high shelf at mix
        {18000.0, 0.0, 0.0}, // corner above 0.8 Omega: matched there instead
    };
    for (const double fs : {44100.0, 48000.0})
    {
        for (const FirstOrderParams& params : cases)
        {
            const dsp::FirstOrderCoefficients c = dsp::designFirstOrderLowPass(params, fs);
            EXPECT_NEAR(toDb(digitalGain(c, 0.0, fs)), 0.0, 1e-9) << "unit gain at DC";
            for (const double f : {cornerMatchHz(params.mFrequency, fs), upperMatchHz(fs)})
            {
                EXPECT_NEAR(toDb(digitalGain(c, f, fs)), toDb(firstOrderLowPassPrototypeGain(params, f)), 1e-9)
                    << params.mFrequency << " Hz at " << f << " Hz, fs " << fs;
            }
        }
    }
    EXPECT_EQ(capture.count(), 0u);
}

TEST(FirstOrderDesigns, AFlatUnityPrototypeGivesAFlatFilter)
{
    ReportCapture capture;
    const FirstOrderParams flat{500.0, 1.0, 0.0}; // (s + w0) / (s + w0)
    for (const dsp::FirstOrderCoefficients& c :
         {dsp::designFirstOrderHighPass(flat, 48000.0), dsp::designFirstOrderLowPass(flat, 48000.0)})
    {
        EXPECT_EQ(c.b0, 1.0);
        EXPECT_EQ(c.b1, c.a1);
        for (const double f : {0.0, 500.0, 12000.0, 24000.0})
            EXPECT_NEAR(toDb(digitalGain(c, f, 48000.0)), 0.0, 1e-12);
    }
    EXPECT_EQ(capture.count(), 0u);
}

// A flat prototype away from unity, G (s + w0) / (s + w0), is not recognised as flat and
// leaves the matching equations without a solution (at 20 Hz and 48 kHz the three
// targets come out equal, G^2, and the determinant e is 0). The fallback is the prewarped
// bilinear transform of the prototype itself, which is flat at G again; the default
// section (G s + K) / (s + K) would have been a shelf from 0 dB up to G.
TEST(FirstOrderHighPass, FallsBackToThePrewarpedPrototypeWhenTheMatchHasNoSolution)
{
    ReportCapture capture;
    const FirstOrderParams params{20.0, 1.0, 6.0};
    const dsp::FirstOrderCoefficients c = dsp::designFirstOrderHighPass(params, 48000.0);

    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 1u);
    expectDesignReport(reports[0], "dsp::solveFirstOrderMatch(matchPoints)", kHighPassFile, 57);

    for (const double f : {0.0, 20.0, 1000.0, 12000.0, 24000.0})
        EXPECT_NEAR(toDb(digitalGain(c, f, 48000.0)), 6.0, 1e-9) << f;
    EXPECT_EQ(c.a0, 1.0);
}

// A low-pass with gain has DC targets other than 1, which the unit-DC match cannot meet;
// the design keeps its default section, the prewarped bilinear low-pass K / (s + K).
TEST(FirstOrderLowPass, FallsBackToThePrewarpedBilinearLowPassWhenTheMatchHasNoSolution)
{
    ReportCapture capture;
    const dsp::FirstOrderCoefficients c = dsp::designFirstOrderLowPass({1000.0, 0.0, 6.0}, 48000.0);

    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 1u);
    expectDesignReport(reports[0], "dsp::solveFirstOrderMatchUnitDc(matchPoints)", kLowPassFile, 55);

    EXPECT_NEAR(digitalGain(c, 0.0, 48000.0), 1.0, 1e-14);
    EXPECT_NEAR(digitalGain(c, 1000.0, 48000.0), std::sqrt(0.5), 1e-14); // exact at the prewarped corner
    EXPECT_NEAR(digitalGain(c, 24000.0, 48000.0), 0.0, 1e-14);
    EXPECT_EQ(c.b0, c.b1);
}

TEST(FirstOrderDesigns, ANonFinitePrototypeReportsEveryFailedCheckInOrder)
{
    ReportCapture capture;
    const dsp::FirstOrderCoefficients c =
        dsp::designFirstOrderHighPass({20.0, 0.0, std::numeric_limits<double>::infinity()}, 48000.0);
    EXPECT_FALSE(std::isfinite(c.b0));

    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 4u);
    expectDesignReport(reports[0], "dsp::checkBuffer(analogCoefficients, kNumAnalogCoefficients)", kHighPassFile, 42);
    expectDesignReport(reports[1], "dsp::checkBuffer(outCoefficients, kNumCoefficients)", kHighPassFile, 64);
    expectDesignReport(reports[2], "DigitalIIRTools<1>::isStable(outCoefficients)", kHighPassFile, 65);
    expectDesignReport(reports[3], "DigitalIIRTools<1>::isMinimumPhase(outCoefficients)", kHighPassFile, 66);

    capture.clear();
    dsp::designFirstOrderLowPass({std::numeric_limits<double>::quiet_NaN(), 0.0, 0.0}, 48000.0);
    const auto lowPassReports = capture.reports();
    ASSERT_EQ(lowPassReports.size(), 4u);
    expectDesignReport(lowPassReports[0], "dsp::checkBuffer(analogCoefficients, kNumAnalogCoefficients)", kLowPassFile,
                 40);
    expectDesignReport(lowPassReports[1], "dsp::checkBuffer(outCoefficients, kNumCoefficients)", kLowPassFile, 62);
    expectDesignReport(lowPassReports[2], "DigitalIIRTools<1>::isStable(outCoefficients)", kLowPassFile, 63);
    expectDesignReport(lowPassReports[3], "DigitalIIRTools<1>::isMinimumPhase(outCoefficients)", kLowPassFile, 64);
}

} // namespace
