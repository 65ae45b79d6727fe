#include "libraries/dsp/filter_design/digital_iir_tools.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_bell.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_order2highpass.h"
#include "tests/support/report_capture.h"
#include "tests/unit/filter_design_report_expectation.h"
#include "tests/unit/filter_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace
{

using corvex::testing::bellPrototypeGain;
using corvex::testing::digitalGain;
using corvex::testing::expectDesignReport;
using corvex::testing::ReportCapture;
using corvex::testing::secondOrderHighPassPrototypeGain;
using corvex::testing::toDb;
using dsp::BellParams;
using dsp::DigitalIIRTools;
using dsp::SecondOrderCoefficients;
using dsp::SecondOrderHighPassParams;

constexpr const char* kBellFile = "libraries/dsp/filter_design/primitives/order2/dsp_bell";
constexpr const char* kHighPassFile = "libraries/dsp/filter_design/primitives/order2/dsp_order2highpass";
constexpr double kSampleRates[] = {44100.0, 48000.0, 96000.0, 192000.0};

// A bell of 0 dB (stored as 1e-6 dB) departs from flat by at most 1e-6 dB; it is
// designed as its broadband gain, so at 0 dB it leaves the signal exactly as it is.
TEST(Bell, AtZeroDecibelsPassesTheSignalUnchanged)
{
    ReportCapture capture;
    for (const double fs : kSampleRates)
    {
        for (const double centreHz : {30.0, 1000.0, 2345.0, 16000.0})
        {
            for (const double q : {0.1, 0.5, 2.0})
            {
                for (const double gainDb : {0.0, 1e-6, -1e-6, -4e-7})
                {
                    EXPECT_EQ(dsp::designBell({centreHz, q, gainDb, 0.0}, fs), dsp::kSecondOrderPassThrough)
                        << centreHz << " Hz, Q " << q << ", " << gainDb << " dB, fs " << fs;
                }
                const SecondOrderCoefficients attenuated = dsp::designBell({centreHz, q, 0.0, -3.0}, fs);
                for (const double f : {0.0, centreHz, 0.5 * fs})
                    EXPECT_NEAR(toDb(digitalGain(attenuated, f, fs)), -3.0, 1e-12);
            }
        }
    }
    EXPECT_EQ(capture.count(), 0u);
}

TEST(Bell, AboveAMillionthOfADecibelIsAMatchedBell)
{
    ReportCapture capture;
    for (const double gainDb : {2e-6, -2e-6, 1e-3})
    {
        const BellParams params{1000.0, 0.5, gainDb, 0.0};
        const SecondOrderCoefficients c = dsp::designBell(params, 48000.0);
        EXPECT_NE(c, dsp::kSecondOrderPassThrough);
        EXPECT_NEAR(toDb(digitalGain(c, 1000.0, 48000.0)), gainDb, 1e-9);
        EXPECT_NEAR(toDb(digitalGain(c, 0.0, 48000.0)), 0.0, 1e-9);
    }
    EXPECT_EQ(capture.count(), 0u);
}

TEST(Bell, AppliesItsBroadbandGainAndItsBoostOnTop)
{
    ReportCapture capture;
    const BellParams params{1000.0, 1.0, 6.0, -3.0};
    const SecondOrderCoefficients c = dsp::designBell(params, 48000.0);
    EXPECT_NEAR(toDb(digitalGain(c, 0.0, 48000.0)), -3.0, 1e-9);
    EXPECT_NEAR(toDb(digitalGain(c, 1000.0, 48000.0)), 3.0, 1e-9);
    EXPECT_NEAR(toDb(digitalGain(c, 12000.0, 48000.0)), toDb(bellPrototypeGain(params, 12000.0)), 0.05);
    EXPECT_EQ(capture.count(), 0u);
}

// Omega = 1.5672 fs rad/s is one of the bell's match points; a centre there (or near
// it) still designs without a singular solve and keeps its centre gain.
TEST(Bell, CentredOnItsUpperMatchPointStillMatchesTheCentre)
{
    ReportCapture capture;
    for (const double fs : kSampleRates)
    {
        const double upperHz = 1.5672 * fs / (2.0 * std::numbers::pi);
        for (const double centreHz : {upperHz, upperHz * 0.9, upperHz * 1.1, upperHz * (1.0 + 1e-12)})
        {
            for (const double gainDb : {-12.0, -3.0, 3.0, 12.0})
            {
                const BellParams params{centreHz, 0.5 * dsp::dbToGain(std::fabs(gainDb)), gainDb, 0.0};
                const SecondOrderCoefficients c = dsp::designBell(params, fs);
                EXPECT_NEAR(toDb(digitalGain(c, centreHz, fs)), gainDb, 1e-6) << centreHz << " Hz, fs " << fs;
                EXPECT_NEAR(toDb(digitalGain(c, 0.0, fs)), 0.0, 1e-9);
                EXPECT_TRUE(DigitalIIRTools<2>::isStable(c));
                EXPECT_TRUE(DigitalIIRTools<2>::isMinimumPhase(c));
            }
        }
    }
    EXPECT_EQ(capture.count(), 0u);
}

// A centre at or above 0.49 fs (the side-chain bell's 16 kHz at a low rate) is
// designed at 0.49 fs, without any report.
TEST(Bell, DesignsACentreAboveTheNyquistFrequencyAtItsLimit)
{
    ReportCapture capture;
    const SecondOrderCoefficients above = dsp::designBell({16000.0, 2.0, 12.0, 0.0}, 22050.0);
    const SecondOrderCoefficients atLimit = dsp::designBell({0.49 * 22050.0, 2.0, 12.0, 0.0}, 22050.0);
    EXPECT_EQ(above, atLimit);
    EXPECT_NEAR(toDb(digitalGain(above, 0.49 * 22050.0, 22050.0)), 12.0, 1e-6);
    EXPECT_TRUE(DigitalIIRTools<2>::isStable(above));
    EXPECT_TRUE(DigitalIIRTools<2>::isMinimumPhase(above));
    EXPECT_EQ(capture.count(), 0u);
}

// A narrow, deep cut asks the three-point match for a numerator that no real
// second-order numerator has; the design falls back to the bilinear transform of
// the prototype prewarped at the centre, which keeps the exact gain at DC, at the
// centre and (the prototype's gain at infinity) at the Nyquist frequency.
TEST(Bell, FallsBackToThePrewarpedBilinearBellWhenTheMatchHasNoSolution)
{
    ReportCapture capture;
    const SecondOrderCoefficients c = dsp::designBell({3000.0, 50.0, -50.0, 0.0}, 48000.0);

    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 1u);
    expectDesignReport(reports[0], "dsp::solveBellMatch(matchedPrototype, matchFrequencyHz, sampleRate)", kBellFile, 104);

    EXPECT_EQ(c.a0, 1.0);
    EXPECT_NEAR(toDb(digitalGain(c, 3000.0, 48000.0)), -50.0, 1e-6);
    EXPECT_NEAR(toDb(digitalGain(c, 0.0, 48000.0)), 0.0, 1e-9);
    EXPECT_NEAR(toDb(digitalGain(c, 24000.0, 48000.0)), 0.0, 1e-9);
}

TEST(SecondOrderHighPass, BlocksDcExactlyAndMatchesTheCornerGainOfQ)
{
    ReportCapture capture;
    for (const double fs : kSampleRates)
    {
        for (const double cornerHz : {4.28651, 50.0, 1000.0, 5000.0})
        {
            for (const double q : {0.5, 1.00516, 3.0})
            {
                const SecondOrderHighPassParams params{cornerHz, q, 0.0, 2.0};
                const SecondOrderCoefficients c = dsp::designSecondOrderHighPass(params, fs);
                EXPECT_EQ(c.a0, 1.0);
                EXPECT_EQ(digitalGain(c, 0.0, fs), 0.0);
                EXPECT_EQ(c.b1, -2.0 * c.b0);
                EXPECT_EQ(c.b2, c.b0);
                EXPECT_NEAR(toDb(digitalGain(c, cornerHz, fs)), 2.0 + toDb(q), 1e-6) << cornerHz << " Hz, fs " << fs;
                EXPECT_TRUE(DigitalIIRTools<2>::isStable(c));
                EXPECT_TRUE(DigitalIIRTools<2>::isMinimumPhase(c));
            }
        }
    }
    EXPECT_EQ(capture.count(), 0u);
}

TEST(SecondOrderHighPass, DesignsACornerAboveTheNyquistFrequencyAtItsLimit)
{
    ReportCapture capture;
    const SecondOrderCoefficients above = dsp::designSecondOrderHighPass({30000.0, 0.7, 0.0, 0.0}, 48000.0);
    EXPECT_EQ(above, dsp::designSecondOrderHighPass({0.49 * 48000.0, 0.7, 0.0, 0.0}, 48000.0));
    EXPECT_TRUE(DigitalIIRTools<2>::isStable(above));
    EXPECT_EQ(capture.count(), 0u);
}

// A negative Q puts the prototype's poles in the right half-plane: there is no
// decaying resonance to match. The fallback is the bilinear transform of the
// prototype prewarped at the corner (unstable like the prototype, which the
// stability check then reports); it keeps the corner gain |G Q| exactly.
TEST(SecondOrderHighPass, FallsBackToThePrewarpedBilinearHighPassWhenTheMatchHasNoSolution)
{
    ReportCapture capture;
    const SecondOrderHighPassParams params{1000.0, -2.0, 0.0, 0.0};
    const SecondOrderCoefficients c = dsp::designSecondOrderHighPass(params, 48000.0);

    const auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 2u);
    expectDesignReport(reports[0],
                 "dsp::solveSecondOrderHighPassMatch(matchedPrototype, matchFrequencyHz, sampleRate)", kHighPassFile,
                 78);
    expectDesignReport(reports[1], "DigitalIIRTools<2>::isStable(outCoefficients)", kHighPassFile, 87);

    EXPECT_EQ(c.a0, 1.0);
    EXPECT_NEAR(toDb(digitalGain(c, 1000.0, 48000.0)), toDb(2.0), 1e-9);
    EXPECT_NEAR(digitalGain(c, 0.0, 48000.0), 0.0, 1e-15);
    EXPECT_NEAR(toDb(digitalGain(c, 24000.0, 48000.0)), 0.0, 1e-9);
}

TEST(SecondOrderDesigns, ANonFinitePrototypeReportsEveryFailedCheckInOrder)
{
    ReportCapture capture;
    dsp::designBell({1000.0, 0.0, 6.0, 0.0}, 48000.0); // Q 0: infinite bandwidth terms
    auto reports = capture.reports();
    ASSERT_EQ(reports.size(), 5u);
    expectDesignReport(reports[0], "dsp::checkBuffer(analogCoefficients, kNumAnalogCoefficients)", kBellFile, 97);
    expectDesignReport(reports[1], "dsp::solveBellMatch(matchedPrototype, matchFrequencyHz, sampleRate)", kBellFile, 104);
    expectDesignReport(reports[2], "dsp::checkBuffer(outCoefficients, kNumCoefficients)", kBellFile, 112);
    expectDesignReport(reports[3], "DigitalIIRTools<2>::isStable(outCoefficients)", kBellFile, 113);
    expectDesignReport(reports[4], "DigitalIIRTools<2>::isMinimumPhase(outCoefficients)", kBellFile, 114);

    capture.clear();
    dsp::designSecondOrderHighPass({1000.0, 0.0, 0.0, 0.0}, 48000.0);
    reports = capture.reports();
    ASSERT_EQ(reports.size(), 5u);
    expectDesignReport(reports[0], "dsp::checkBuffer(analogCoefficients, kNumAnalogCoefficients)", kHighPassFile, 71);
    expectDesignReport(reports[1],
                 "dsp::solveSecondOrderHighPassMatch(matchedPrototype, matchFrequencyHz, sampleRate)", kHighPassFile,
                 78);
    expectDesignReport(reports[2], "dsp::checkBuffer(outCoefficients, kNumCoefficients)", kHighPassFile, 86);
    expectDesignReport(reports[3], "DigitalIIRTools<2>::isStable(outCoefficients)", kHighPassFile, 87);
    expectDesignReport(reports[4], "DigitalIIRTools<2>::isAlmostMinimumPhase(outCoefficients, 1.e-7)", kHighPassFile, 88);
}

} // namespace
