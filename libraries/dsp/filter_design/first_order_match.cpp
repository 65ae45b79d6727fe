#include "libraries/dsp/filter_design/first_order_match.h"

#include "libraries/dsp/filter_design/equation_solution_exception.h"
#include "libraries/dsp/math/trig.h"

#include <algorithm>
#include <cmath>

namespace dsp
{

namespace
{

// Omega = 1.5672 fs rad/s, just below a quarter of the sample rate; Omega^2 / fs^2.
constexpr double kUpperMatchRadPerSample = 1.5672;
constexpr double kUpperMatchSquared = 2.45611584;
// The corner is matched at most at 0.8 Omega, to keep the two points apart.
constexpr double kCornerLimit = 0.8;

} // namespace

FirstOrderMatchPoints firstOrderMatchPoints(const FirstOrderAnalogSection& prototype, double frequencyHz,
                                            double sampleRate)
{
    const double b1 = prototype.b1;
    const double b0 = prototype.b0;
    const double a1 = prototype.a1;
    const double a0 = prototype.a0;

    const double omegaC = std::min(kTwoPi * frequencyHz, kCornerLimit * kUpperMatchRadPerSample * sampleRate);
    const double omegaCSquared = omegaC * omegaC;
    const double upperSquared = kUpperMatchSquared * (sampleRate * sampleRate);

    const double dcRatio = b0 / a0;
    FirstOrderMatchPoints points;
    points.m0 = dcRatio * dcRatio;
    points.m1 = std::max((b1 * b1 * omegaCSquared + b0 * b0) / (a1 * a1 * omegaCSquared + a0 * a0), 0.0);
    points.m2 = std::max((b1 * b1 * upperSquared + b0 * b0) / (a1 * a1 * upperSquared + a0 * a0), 0.0);
    const double warpedCorner = 2.0 * sampleRate * dsp::math::tan(omegaC * 0.5 / sampleRate);
    const double warpedUpper = 2.0 * sampleRate * dsp::math::tan(kUpperMatchRadPerSample * 0.5);
    points.w1 = warpedCorner * warpedCorner;
    points.w2 = warpedUpper * warpedUpper;
    return points;
}

FirstOrderAnalogSection solveFirstOrderMatch(const FirstOrderMatchPoints& points)
{
    const auto [m0, m1, m2, w1, w2] = points;
    const double d = w1 - w2;
    const double e = w1 * m2 - w2 * m1 - d * m0;
    if (d == 0.0 || e == 0.0)
        throw EquationSolutionException();
    const double p = (w1 * m1 - w1 * m2) * w2 / e;
    if (p < 0.0)
        throw EquationSolutionException();
    const double q = ((m1 - m2) * p + w1 * m1 - w2 * m2) / d;
    if (q < 0.0 || p * m0 < 0.0)
        throw EquationSolutionException();
    return {std::sqrt(q), std::sqrt(p * m0), 1.0, std::sqrt(p)};
}

FirstOrderAnalogSection solveFirstOrderMatchUnitDc(const FirstOrderMatchPoints& points)
{
    const double m1 = points.m1;
    const double m2 = points.m2;
    const double w1 = points.w1;
    const double w2 = points.w2;
    const double d = w1 - w2;
    const double e = w1 * m2 - w2 * m1 - d;
    if (d == 0.0 || e == 0.0)
        throw EquationSolutionException();
    const double p = (m1 - m2) * w1 * w2 / e;
    const double q = ((m1 - m2) * p + w1 * m1 - w2 * m2) / d;
    const double r = std::max((p + w1) * m1 - q * w1, 0.0);
    if (p < 0.0 || q < 0.0 || r < 0.0)
        throw EquationSolutionException();
    return {std::sqrt(q), std::sqrt(r), 1.0, std::sqrt(p)};
}

} // namespace dsp
