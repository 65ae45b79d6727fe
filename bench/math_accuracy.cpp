// Accuracy of the engine's exp, log, sin, cos and tan against MPFR: for each
// function, arguments spread over the ranges the engine uses, the whole
// double range and the edges; prints the worst error in ulps and the share
// of correctly rounded results, and checks the special values against the C
// library. Exits with failure when an error exceeds 1 ulp or a special value
// differs.
//
//   corvex_math_accuracy [arguments per function, default 10000000]
#include "libraries/dsp/math/exp.h"
#include "libraries/dsp/math/log.h"
#include "libraries/dsp/math/trig.h"

#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.141592653589793;

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);
using Function = double (*)(double);

// An argument range: uniform in [low, high], or, with logarithmic set,
// uniform in the exponent (|low| and |high| > 0, same sign).
struct Range
{
    double low;
    double high;
    bool logarithmic;
    double weight;
};

struct Subject
{
    const char* name;
    Function ours;
    Function library;
    MpfrFunction reference;
    std::vector<Range> ranges;
    std::vector<double> edges;
};

struct Tally
{
    double worstUlps = 0.0;
    double worstArgument = 0.0;
    std::uint64_t count = 0;
    std::uint64_t correctlyRounded = 0;
};

// Error of `value` against the exact result in `exact` (high precision), in
// ulps of the exact result, and whether `value` is its correct rounding.
void measure(double argument, double value, mpfr_t exact, mpfr_t scratch, Tally& tally)
{
    const double rounded = mpfr_get_d(exact, MPFR_RNDN);
    ++tally.count;
    double ulps;
    if (std::bit_cast<std::uint64_t>(value) == std::bit_cast<std::uint64_t>(rounded))
    {
        ++tally.correctlyRounded;
        if (std::isinf(value) || value == 0.0)
            return;
    }
    if (std::isinf(value) || std::isinf(rounded))
    {
        ulps = kInf;
    }
    else
    {
        // ulp of the exact result: 2^(e - 53) for |exact| in [2^(e-1), 2^e),
        // no smaller than the least subnormal.
        const long exponent = mpfr_zero_p(exact) ? -1073 : mpfr_get_exp(exact);
        const long ulpExponent = exponent - 53 < -1074 ? -1074 : exponent - 53;
        mpfr_set_d(scratch, value, MPFR_RNDN);
        mpfr_sub(scratch, scratch, exact, MPFR_RNDN);
        mpfr_mul_2si(scratch, scratch, -ulpExponent, MPFR_RNDN);
        ulps = std::fabs(mpfr_get_d(scratch, MPFR_RNDN));
    }
    if (ulps > tally.worstUlps)
    {
        tally.worstUlps = ulps;
        tally.worstArgument = argument;
    }
}

double draw(const Range& range, std::mt19937_64& random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    if (!range.logarithmic)
        return range.low + (range.high - range.low) * unit(random);
    const double sign = range.low < 0.0 ? -1.0 : 1.0;
    const double lowLog = std::log2(std::fabs(range.low));
    const double highLog = std::log2(std::fabs(range.high));
    // Exponent uniform, then a uniformly random mantissa.
    const double e = std::floor(lowLog + (highLog - lowLog) * unit(random));
    const double mantissa = 1.0 + unit(random);
    const double value = sign * std::ldexp(mantissa, static_cast<int>(e));
    return value;
}

bool sameResult(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

} // namespace

int main(int argc, char** argv)
{
    const std::uint64_t perFunction = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000000;
    const double maxDouble = std::numeric_limits<double>::max();
    const double minSubnormal = std::numeric_limits<double>::denorm_min();
    const double minNormal = std::numeric_limits<double>::min();
    const double expOverflow = 0x1.62e42fefa39efp+9; // largest x with finite e^x
    const double expUnderflow = -0x1.74910d52d3051p+9; // below: e^x rounds to 0

    const std::vector<double> commonEdges = {0.0, -0.0, minSubnormal, -minSubnormal, minNormal, -minNormal, 1e-300,
                                             0x1p-54, -0x1p-54, 0x1p-27, 0.5, 1.0, -1.0, 2.0, maxDouble, -maxDouble,
                                             kInf, -kInf, kNaN, -kNaN};
    std::vector<double> expEdges = commonEdges;
    for (double x : {expOverflow, std::nextafter(expOverflow, kInf), 709.0, 710.0, -708.39641853226410622,
                     -708.4, -744.44007192138126231, -745.1332191019411, std::nextafter(expUnderflow, 0.0),
                     expUnderflow, -746.0, 512.0, -512.0, 1024.0, -1024.0})
        expEdges.push_back(x);
    std::vector<double> trigEdges = commonEdges;
    for (double x : {kPi / 4, kPi / 2, kPi, 3 * kPi / 2, 2 * kPi, 1e22, 0x1p1023, 1647099.3291436880, 6381956970095103.0 * 0x1p797})
        trigEdges.push_back(x);

    const std::vector<Subject> subjects = {
        {"exp", dsp::math::exp, [](double x) { return std::exp(x); }, mpfr_exp,
         {{-40.0, 5.0, false, 4}, {-1.0, 1.0, false, 1}, {expUnderflow, expOverflow, false, 2},
          {-745.2, -708.3, false, 1}, {0x1p-60, 1.0, true, 1}, {-0x1p-60, -1.0, true, 1}},
         expEdges},
        {"log", dsp::math::log, [](double x) { return std::log(x); }, mpfr_log,
         {{0.9375, 1.0644, false, 2}, {1e-6, 100.0, true, 3}, {0.5, 2.0, false, 1}, {minNormal, maxDouble, true, 3},
          {minSubnormal, minNormal, true, 1}},
         commonEdges},
        {"sin", dsp::math::sin, [](double x) { return std::sin(x); }, mpfr_sin,
         {{0.0, kPi / 2, false, 4}, {-kPi, kPi, false, 2}, {0x1p-30, 0x1p20, true, 2}, {0x1p20, maxDouble, true, 1},
          {-0x1p-30, -0x1p20, true, 1}},
         trigEdges},
        {"cos", dsp::math::cos, [](double x) { return std::cos(x); }, mpfr_cos,
         {{0.0, kPi / 2, false, 4}, {-kPi, kPi, false, 2}, {0x1p-30, 0x1p20, true, 2}, {0x1p20, maxDouble, true, 1},
          {-0x1p-30, -0x1p20, true, 1}},
         trigEdges},
        {"tan", dsp::math::tan, [](double x) { return std::tan(x); }, mpfr_tan,
         {{0.0, 0.49 * kPi, false, 4}, {-kPi, kPi, false, 2}, {0x1p-30, 0x1p20, true, 2}, {0x1p20, maxDouble, true, 1},
          {-0x1p-30, -0x1p20, true, 1}},
         trigEdges},
    };

    // Double's exponent range, so that mpfr_get_d rounds subnormals once.
    mpfr_t exact, scratch, argument;
    mpfr_inits2(256, exact, scratch, argument, static_cast<mpfr_ptr>(nullptr));

    bool ok = true;
    std::printf("%-4s %12s %14s %12s %16s %9s\n", "func", "arguments", "worst (ulp)", "at", "correctly rnd",
                "specials");
    for (const Subject& subject : subjects)
    {
        std::mt19937_64 random(12345);
        Tally tally;
        double totalWeight = 0.0;
        for (const Range& range : subject.ranges)
            totalWeight += range.weight;
        for (const Range& range : subject.ranges)
        {
            const auto n = static_cast<std::uint64_t>(static_cast<double>(perFunction) * range.weight / totalWeight);
            for (std::uint64_t i = 0; i < n; ++i)
            {
                const double x = draw(range, random);
                mpfr_set_d(argument, x, MPFR_RNDN);
                subject.reference(exact, argument, MPFR_RNDN);
                measure(x, subject.ours(x), exact, scratch, tally);
            }
        }
        int specialsDiffering = 0;
        for (double x : subject.edges)
        {
            const double ours = subject.ours(x);
            // Zeros, infinities, NaN and the results that are exact or out of
            // range: as the C library gives them.
            const bool special = !std::isfinite(x) || x == 0.0 || !std::isfinite(ours) || ours == 0.0 ||
                                 ours == 1.0 || std::fabs(ours) < minNormal;
            if (special && !sameResult(ours, subject.library(x)))
            {
                ++specialsDiffering;
                std::printf("  %s(%a) = %a, C library %a\n", subject.name, x, ours, subject.library(x));
            }
            if (std::isnan(x) || std::isnan(ours))
                continue;
            mpfr_set_d(argument, x, MPFR_RNDN);
            subject.reference(exact, argument, MPFR_RNDN);
            measure(x, ours, exact, scratch, tally);
        }
        const double share = 100.0 * static_cast<double>(tally.correctlyRounded) / static_cast<double>(tally.count);
        std::printf("%-4s %12llu %14.4f %12a %15.4f%% %9d\n", subject.name,
                    static_cast<unsigned long long>(tally.count), tally.worstUlps, tally.worstArgument, share,
                    specialsDiffering);
        if (!(tally.worstUlps <= 1.0) || specialsDiffering != 0)
            ok = false;
    }
    mpfr_clears(exact, scratch, argument, static_cast<mpfr_ptr>(nullptr));
    mpfr_free_cache();
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
