#include "libraries/dsp/filter_design/db_to_gain.h"
#include "libraries/dsp/filter_design/digital_iir_tools.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1lowpass.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_bell.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_order2highpass.h"
#include "tests/support/report_capture.h"
#include "tests/unit/filter_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>

// Every design the engine makes, at the common sample rates, against its analog
// prototype: the fixed filters of the sample-rate set-up and the side-chain
// equaliser over its whole parameter range.
namespace
{

using corvex::testing::bellPrototypeGain;
using corvex::testing::digitalGain;
using corvex::testing::firstOrderHighPassPrototypeGain;
using corvex::testing::firstOrderLowPassPrototypeGain;
using corvex::testing::largestGridErrorDb;
using corvex::testing::ReportCapture;
using corvex::testing::secondOrderHighPassPrototypeGain;
using corvex::testing::toDb;

constexpr double kSampleRates[] = {44100.0, 48000.0, 96000.0, 192000.0};

constexpr double kPointToleranceDb = 0.05; // at DC and at the corner or centre
constexpr double kGridToleranceDb = 0.5;   // everywhere below fs/4
// The corner or centre is checked when it lies below this fraction of the rate.
constexpr double kCornerCheckLimit = 0.4;
// The first-order designs match the corner only up to 0.8 Omega = 0.8 x 1.5672 fs
// rad/s (about 0.1995 fs); a corner above that is matched there, and its own gain
// is then only as close as the section's shape allows.
constexpr double kFirstOrderCornerMatchLimit = 0.8 * 1.5672 / (2.0 * std::numbers::pi);
constexpr double kFirstOrderUnmatchedCornerToleranceDb = 0.25;

// Frequencies of a logarithmic side-chain control at the positions 0, 1/n, ..., 1.
std::vector<double> logarithmicRange(double lowHz, double highHz, int steps)
{
    std::vector<double> values;
    for (int i = 0; i <= steps; ++i)
        values.push_back(std::exp(std::log(lowHz) + i * (std::log(highHz) - std::log(lowHz)) / steps));
    return values;
}

template <int Order, typename Coefficients, typename PrototypeGain>
void expectFollowsPrototype(const Coefficients& c, PrototypeGain prototypeGain, double frequencyHz,
                            double sampleRate, double cornerToleranceDb, const std::string& label)
{
    EXPECT_EQ(c.a0, 1.0) << label;
    EXPECT_TRUE(dsp::DigitalIIRTools<Order>::isStable(c)) << label;
    EXPECT_TRUE(dsp::DigitalIIRTools<Order>::isMinimumPhase(c)) << label;

    const double prototypeDc = prototypeGain(0.0);
    if (prototypeDc == 0.0)
        EXPECT_EQ(digitalGain(c, 0.0, sampleRate), 0.0) << label;
    else
        EXPECT_NEAR(toDb(digitalGain(c, 0.0, sampleRate)), toDb(prototypeDc), kPointToleranceDb) << label;

    if (frequencyHz < kCornerCheckLimit * sampleRate)
    {
        EXPECT_NEAR(toDb(digitalGain(c, frequencyHz, sampleRate)), toDb(prototypeGain(frequencyHz)),
                    cornerToleranceDb)
            << label;
    }
    EXPECT_LE(largestGridErrorDb(c, prototypeGain, sampleRate, frequencyHz), kGridToleranceDb) << label;
}

double firstOrderCornerToleranceDb(double frequencyHz, double sampleRate)
{
    return frequencyHz <= kFirstOrderCornerMatchLimit * sampleRate ? kPointToleranceDb
                                                                   : kFirstOrderUnmatchedCornerToleranceDb;
}

std::string label(const char* name, double frequencyHz, double sampleRate, double gainDb = 0.0)
{
    std::ostringstream text;
    text << name << " " << frequencyHz << " Hz, " << gainDb << " dB, fs " << sampleRate;
    return text.str();
}

void expectBellFollowsPrototype(const dsp::BellParams& params, double sampleRate)
{
    expectFollowsPrototype<2>(
        dsp::designBell(params, sampleRate), [&](double f) { return bellPrototypeGain(params, f); },
        params.mFrequency, sampleRate, kPointToleranceDb, label("bell", params.mFrequency, sampleRate, params.gainDb));
}

using FirstOrderDesign = dsp::FirstOrderCoefficients (*)(const dsp::FirstOrderParams&, double);
using FirstOrderPrototypeGain = double (*)(const dsp::FirstOrderParams&, double);

void expectFirstOrderFollowsPrototype(FirstOrderDesign design, FirstOrderPrototypeGain prototypeGain,
                                      const dsp::FirstOrderParams& params, double sampleRate, const char* name)
{
    expectFollowsPrototype<1>(
        design(params, sampleRate), [&](double f) { return prototypeGain(params, f); }, params.mFrequency,
        sampleRate, firstOrderCornerToleranceDb(params.mFrequency, sampleRate),
        label(name, params.mFrequency, sampleRate));
}

void expectFirstOrderHighPassFollowsPrototype(const dsp::FirstOrderParams& params, double sampleRate)
{
    expectFirstOrderFollowsPrototype(dsp::designFirstOrderHighPass, firstOrderHighPassPrototypeGain, params,
                                     sampleRate, "first-order high-pass");
}

void expectFirstOrderLowPassFollowsPrototype(const dsp::FirstOrderParams& params, double sampleRate)
{
    expectFirstOrderFollowsPrototype(dsp::designFirstOrderLowPass, firstOrderLowPassPrototypeGain, params,
                                     sampleRate, "first-order low-pass");
}

TEST(FilterDesignAccuracy, FixedFiltersOfTheSampleRateSetUp)
{
    ReportCapture capture;
    for (const double fs : kSampleRates)
    {
        expectBellFollowsPrototype({2345.0, 0.1, 0.2, 0.0}, fs);
        expectFirstOrderLowPassFollowsPrototype({18000.0, 0.0, 0.0}, fs);
        expectFirstOrderHighPassFollowsPrototype({8.11728, 0.0, 0.0}, fs);

        const dsp::SecondOrderHighPassParams highPass{4.28651, 1.00516, 0.0, 0.0};
        expectFollowsPrototype<2>(
            dsp::designSecondOrderHighPass(highPass, fs),
            [&](double f) { return secondOrderHighPassPrototypeGain(highPass, f); }, highPass.mFrequency, fs,
            kPointToleranceDb, label("second-order high-pass", highPass.mFrequency, fs));
    }
    EXPECT_EQ(capture.count(), 0u);
}

TEST(FilterDesignAccuracy, SideChainBellOverItsWholeRange)
{
    ReportCapture capture;
    for (const double fs : kSampleRates)
    {
        for (const double centreHz : logarithmicRange(30.0, 16000.0, 48))
        {
            for (int step = 0; step <= 24; ++step)
            {
                const double gainDb = -12.0 + step;
                expectBellFollowsPrototype({centreHz, 0.5 * dsp::dbToGain(std::fabs(gainDb)), gainDb, 0.0}, fs);
            }
        }
    }
    EXPECT_EQ(capture.count(), 0u);
}

TEST(FilterDesignAccuracy, SideChainFirstOrderFiltersOverTheirWholeRange)
{
    ReportCapture capture;
    for (const double fs : kSampleRates)
    {
        for (const double cornerHz : logarithmicRange(20.0, 1200.0, 48))
            expectFirstOrderHighPassFollowsPrototype({cornerHz, 0.0, 0.0}, fs);
        for (const double cornerHz : logarithmicRange(3000.0, 20000.0, 48))
            expectFirstOrderLowPassFollowsPrototype({cornerHz, 0.0, 0.0}, fs);
    }
    EXPECT_EQ(capture.count(), 0u);
}

// Every rate from 1 to 192000 Hz is accepted; at low rates the fixed filters and the
// side-chain controls lie at or above the Nyquist frequency and must still design
// quietly into stable, minimum-phase sets.
TEST(FilterDesignAccuracy, EveryAcceptedSampleRateDesignsWithoutReports)
{
    ReportCapture capture;
    for (const double fs : {1.0, 2.0, 3.0, 8.0, 100.0, 1000.0, 4000.0, 8000.0, 11025.0, 16000.0, 22050.0, 32000.0,
                            192000.0})
    {
        const dsp::SecondOrderCoefficients bells[] = {
            dsp::designBell({2345.0, 0.1, 0.2, 0.0}, fs),
            dsp::designBell({30.0, 1.99, 12.0, 0.0}, fs),
            dsp::designBell({16000.0, 1.99, -12.0, 0.0}, fs),
            dsp::designBell({16000.0, 0.5, 0.0, 0.0}, fs),
            dsp::designSecondOrderHighPass({4.28651, 1.00516, 0.0, 0.0}, fs),
        };
        for (const auto& c : bells)
        {
            EXPECT_EQ(c.a0, 1.0) << fs;
            EXPECT_TRUE(dsp::DigitalIIRTools<2>::isStable(c)) << fs;
            EXPECT_TRUE(dsp::DigitalIIRTools<2>::isMinimumPhase(c)) << fs;
        }
        const dsp::FirstOrderCoefficients firstOrders[] = {
            dsp::designFirstOrderLowPass({18000.0, 0.0, 0.0}, fs),
            dsp::designFirstOrderLowPass({3000.0, 0.0, 0.0}, fs),
            dsp::designFirstOrderHighPass({8.11728, 0.0, 0.0}, fs),
            dsp::designFirstOrderHighPass({1200.0, 0.0, 0.0}, fs),
        };
        for (const auto& c : firstOrders)
        {
            EXPECT_EQ(c.a0, 1.0) << fs;
            EXPECT_TRUE(dsp::DigitalIIRTools<1>::isStable(c)) << fs;
            EXPECT_TRUE(dsp::DigitalIIRTools<1>::isMinimumPhase(c)) << fs;
        }
    }
    EXPECT_EQ(capture.count(), 0u);
}

} // namespace
