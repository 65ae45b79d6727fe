#pragma once

#include <array>

namespace dsp
{

// H(z) = (b0 + b1 z^-1) / (a0 + a1 z^-1), a0 stored as 1.0 and never read by the filters.
struct FirstOrderCoefficients
{
    static constexpr int kNumCoefficients = 4;

    double b0 = 1.0;
    double b1 = 0.0;
    double a0 = 1.0;
    double a1 = 0.0;

    std::array<double, kNumCoefficients> values() const { return {b0, b1, a0, a1}; }
    bool operator==(const FirstOrderCoefficients&) const = default;
};

// H(z) = (b0 + b1 z^-1 + b2 z^-2) / (a0 + a1 z^-1 + a2 z^-2), a0 stored as 1.0.
struct SecondOrderCoefficients
{
    static constexpr int kNumCoefficients = 6;

    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a0 = 1.0;
    double a1 = 0.0;
    double a2 = 0.0;

    std::array<double, kNumCoefficients> values() const { return {b0, b1, b2, a0, a1, a2}; }
    bool operator==(const SecondOrderCoefficients&) const = default;
};

// Default-constructed sets are pass-through: b0 = 1, a0 = 1, all others 0.
inline constexpr FirstOrderCoefficients kFirstOrderPassThrough{};
inline constexpr SecondOrderCoefficients kSecondOrderPassThrough{};

} // namespace dsp
