#pragma once

#include <array>

namespace dsp
{

// 2 pi, and (2 pi)^2, as the designs hold them.
inline constexpr double kTwoPi = 6.283185307179586;
inline constexpr double kTwoPiSquared = 39.47841760435743;

// Angular frequency (rad/s) of a frequency in Hz, and its square.
inline double angularFrequency(double frequencyHz)
{
    return kTwoPi * frequencyHz;
}

inline double angularFrequencySquared(double frequencyHz)
{
    return kTwoPiSquared * (frequencyHz * frequencyHz);
}

// Analog section H(s) = (b1 s + b0) / (a1 s + a0).
struct FirstOrderAnalogSection
{
    static constexpr int kNumAnalogCoefficients = 4;

    double b1 = 0.0;
    double b0 = 0.0;
    double a1 = 0.0;
    double a0 = 0.0;

    // Numerator then denominator, highest power of s first.
    std::array<double, kNumAnalogCoefficients> values() const { return {b1, b0, a1, a0}; }
};

// Analog section H(s) = (b2 s^2 + b1 s + b0) / (a2 s^2 + a1 s + a0).
struct SecondOrderAnalogSection
{
    static constexpr int kNumAnalogCoefficients = 6;

    double b2 = 0.0;
    double b1 = 0.0;
    double b0 = 0.0;
    double a2 = 0.0;
    double a1 = 0.0;
    double a0 = 0.0;

    std::array<double, kNumAnalogCoefficients> values() const { return {b2, b1, b0, a2, a1, a0}; }

    // |H(j omega)|^2, omega in rad/s.
    double squaredMagnitude(double omega) const
    {
        const double omegaSquared = omega * omega;
        const double numeratorReal = b0 - b2 * omegaSquared;
        const double numeratorImaginary = b1 * omega;
        const double denominatorReal = a0 - a2 * omegaSquared;
        const double denominatorImaginary = a1 * omega;
        return (numeratorReal * numeratorReal + numeratorImaginary * numeratorImaginary)
             / (denominatorReal * denominatorReal + denominatorImaginary * denominatorImaginary);
    }
};

} // namespace dsp
