#pragma once

#include "libraries/dsp/filter_design/coefficients.h"
#include "libraries/dsp/filter_design/db_to_gain.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_bell.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_order2highpass.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

// Frequency responses for the filter-design tests: the digital response of a
// coefficient set, and the analog prototypes evaluated straight from their
// transfer functions.
namespace corvex::testing
{

inline double toDb(double gain)
{
    return 20.0 * std::log10(gain);
}

inline std::complex<double> unitDelay(double frequencyHz, double sampleRate)
{
    return std::polar(1.0, -2.0 * std::numbers::pi * frequencyHz / sampleRate);
}

inline double digitalGain(const dsp::FirstOrderCoefficients& c, double frequencyHz, double sampleRate)
{
    const std::complex<double> z1 = unitDelay(frequencyHz, sampleRate);
    return std::abs((c.b0 + c.b1 * z1) / (c.a0 + c.a1 * z1));
}

inline double digitalGain(const dsp::SecondOrderCoefficients& c, double frequencyHz, double sampleRate)
{
    const std::complex<double> z1 = unitDelay(frequencyHz, sampleRate);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((c.b0 + c.b1 * z1 + c.b2 * z2) / (c.a0 + c.a1 * z1 + c.a2 * z2));
}

inline std::complex<double> jOmega(double frequencyHz)
{
    return {0.0, 2.0 * std::numbers::pi * frequencyHz};
}

// G (s + mix w0) / (s + w0)
inline double firstOrderHighPassPrototypeGain(const dsp::FirstOrderParams& p, double frequencyHz)
{
    const double w0 = 2.0 * std::numbers::pi * p.mFrequency;
    const std::complex<double> s = jOmega(frequencyHz);
    return dsp::dbToGain(p.gainDb) * std::abs((s + p.mix * w0) / (s + w0));
}

// G (mix s + w0) / (s + w0)
inline double firstOrderLowPassPrototypeGain(const dsp::FirstOrderParams& p, double frequencyHz)
{
    const double w0 = 2.0 * std::numbers::pi * p.mFrequency;
    const std::complex<double> s = jOmega(frequencyHz);
    return dsp::dbToGain(p.gainDb) * std::abs((p.mix * s + w0) / (s + w0));
}

// G0 (s^2 + s w0 sqrt(A) / Qe + w0^2) / (s^2 + s w0 / (sqrt(A) Qe) + w0^2), the gain
// replaced by 1e-6 dB below that size, sqrt(A) = 10^(g/40), Qe = q / 10^(|g|/40).
inline double bellPrototypeGain(const dsp::BellParams& p, double frequencyHz)
{
    const double gainDb = std::fabs(p.gainDb) < 1e-6 ? 1e-6 : p.gainDb;
    const double sqrtA = std::pow(10.0, gainDb / 40.0);
    const double qe = p.q / std::pow(10.0, std::fabs(gainDb) / 40.0);
    const double w0 = 2.0 * std::numbers::pi * p.mFrequency;
    const std::complex<double> s = jOmega(frequencyHz);
    return dsp::dbToGain(p.outputGainDb) * std::abs((s * s + s * w0 * sqrtA / qe + w0 * w0)
                                                    / (s * s + s * w0 / (sqrtA * qe) + w0 * w0));
}

// G s^2 / (s^2 + s w0 / Q + w0^2)
inline double secondOrderHighPassPrototypeGain(const dsp::SecondOrderHighPassParams& p, double frequencyHz)
{
    const double w0 = 2.0 * std::numbers::pi * p.mFrequency;
    const std::complex<double> s = jOmega(frequencyHz);
    return dsp::dbToGain(p.outputGainDb) * std::abs(s * s / (s * s + s * w0 / p.q + w0 * w0));
}

// Frequencies from 1 Hz up to fs/4: evenly spaced, plus logarithmically spaced for
// the low end, plus the given frequency of interest when it lies in that range.
inline std::vector<double> gridBelowQuarterRate(double sampleRate, double frequencyOfInterestHz)
{
    constexpr int kPointsEach = 256;
    const double top = 0.25 * sampleRate;
    std::vector<double> grid;
    for (int i = 1; i <= kPointsEach; ++i)
    {
        grid.push_back(top * i / kPointsEach);
        grid.push_back(std::pow(top, static_cast<double>(i - 1) / (kPointsEach - 1)));
    }
    if (frequencyOfInterestHz > 0.0 && frequencyOfInterestHz < top)
        grid.push_back(frequencyOfInterestHz);
    return grid;
}

// Largest difference in dB between a design and its prototype on gridBelowQuarterRate.
template <typename Coefficients, typename PrototypeGain>
double largestGridErrorDb(const Coefficients& c, PrototypeGain prototypeGain, double sampleRate,
                          double frequencyOfInterestHz)
{
    double largest = 0.0;
    for (const double f : gridBelowQuarterRate(sampleRate, frequencyOfInterestHz))
        largest = std::max(largest, std::fabs(toDb(digitalGain(c, f, sampleRate)) - toDb(prototypeGain(f))));
    return largest;
}

} // namespace corvex::testing
