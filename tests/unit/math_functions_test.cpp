// The engine's exp, log, sin, cos and tan: special values as the C library
// gives them, published correctly rounded values, and agreement with glibc
// within 1 ulp over the ranges the engine uses (which reaches every table
// entry). The full accuracy check against MPFR is math_accuracy.
#include "libraries/dsp/math/exp.h"
#include "libraries/dsp/math/log.h"
#include "libraries/dsp/math/trig.h"
#include "libraries/dsp/vector/vector_primitives.h"

#include <gtest/gtest.h>

#if defined(__SSE__)
#  include <immintrin.h>
#endif

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>
#include <tuple>
#include <vector>

namespace
{

using Function = double (*)(double);

struct Subject
{
    const char* name;
    Function ours;
    Function library;
};

const Subject kSubjects[] = {
    {"exp", dsp::math::exp, [](double x) { return std::exp(x); }},
    {"log", dsp::math::log, [](double x) { return std::log(x); }},
    {"sin", dsp::math::sin, [](double x) { return std::sin(x); }},
    {"cos", dsp::math::cos, [](double x) { return std::cos(x); }},
    {"tan", dsp::math::tan, [](double x) { return std::tan(x); }},
};

// Distance in units in the last place, across zero too.
std::int64_t ulpsApart(double a, double b)
{
    const auto ordered = [](double x) {
        const auto bits = std::bit_cast<std::int64_t>(x);
        return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
    };
    const std::int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

// The default floating-point mode, as a thread starts: denormals kept. Tests
// that created an engine on this thread before left it flushing them.
void keepDenormals()
{
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() & ~0x8040u);
#elif defined(__aarch64__)
    std::uint64_t fpcr;
    asm volatile("mrs %0, fpcr" : "=r"(fpcr));
    asm volatile("msr fpcr, %0" : : "r"(fpcr & ~(std::uint64_t{1} << 24)));
#endif
}

TEST(MathFunctions, SpecialValuesAsTheCLibrary)
{
    keepDenormals();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double arguments[] = {0.0, -0.0, inf, -inf, std::numeric_limits<double>::quiet_NaN(), -1.0, 1.0,
                                std::numeric_limits<double>::denorm_min(), 710.0, -746.0, -740.0, 0x1p-60};
    for (const Subject& subject : kSubjects) // where the library's result is exact: not finite, 0, 1 or subnormal
        for (double x : arguments)
        {
            const double ours = subject.ours(x), library = subject.library(x);
            const bool exact = !std::isfinite(library) || library == 0.0 || library == 1.0 ||
                               std::fabs(library) < std::numeric_limits<double>::min();
            const bool same = std::isnan(library) ? std::isnan(ours) : std::bit_cast<std::uint64_t>(ours) == std::bit_cast<std::uint64_t>(library);
            EXPECT_TRUE(!exact || same) << subject.name << "(" << x << ") = " << ours << ", not " << library;
        }
}

TEST(MathFunctions, PublishedCorrectlyRoundedValues)
{
    const std::tuple<Function, double, double> cases[] = { // function, argument, correctly rounded result
        {dsp::math::exp, 1.0, 0x1.5bf0a8b145769p+1},      // e
        {dsp::math::log, 2.0, 0x1.62e42fefa39efp-1},      // ln 2
        {dsp::math::log, 10.0, 0x1.26bb1bbb55516p+1},     // ln 10
        {dsp::math::tan, 0x1.921fb54442d18p-1, 0x1.fffffffffffffp-1}, // just below pi/4
        {dsp::math::cos, 0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54}, // cos of pi/2 rounded
        {dsp::math::sin, 1e22, -0x1.b453ab76bf397p-1},    // -0.8522008497671888...
    };
    for (const auto& [f, x, expected] : cases)
        EXPECT_EQ(f(x), expected) << x;
}

TEST(MathFunctions, WithinOneUlpOfTheCLibraryOverTheEngineRanges)
{
#if !defined(__GLIBC__)
    GTEST_SKIP() << "only glibc's functions are accurate enough to compare with";
#endif
    // Subject, lowest and highest argument. exp: gains in nepers and time constants; log: near 1
    // and wide; the trigonometric functions: half the angle up to Nyquist, and beyond.
    const std::tuple<int, double, double> sweeps[] = {{0, -40.0, 5.0}, {0, -700.0, 700.0}, {1, 0.9, 1.1}, {1, 1e-6, 1e6},
                                                      {2, 0.0, 1.6},   {3, 0.0, 1.6},      {4, 0.0, 1.55}, {2, -100.0, 100.0},
                                                      {3, -100.0, 100.0}, {4, -100.0, 100.0}};
    for (const auto& [index, low, high] : sweeps)
        for (int i = 0; i <= 20000; ++i)
        {
            const Subject& subject = kSubjects[index];
            const double x = low + (high - low) * (i / 20000.0);
            ASSERT_LE(ulpsApart(subject.ours(x), subject.library(x)), 1) << subject.name << " at " << x;
        }
}

// The audio threads flush denormals: no intermediate result may then be
// flushed where it matters (e^x near e^-690 once lost 2^-26 of its value).
TEST(MathFunctions, SameBitsOnAThreadThatFlushesDenormals)
{
    std::vector<double> arguments;
    for (int i = 0; i <= 20000; ++i)
        arguments.push_back(-745.0 + 1455.0 * (i / 20000.0));
    for (double x = 0x1p-1020; x < 1e300; x *= 1.37)
        arguments.push_back(x);
    const auto results = [&](const Subject& subject, bool flushing) {
        std::vector<double> values(arguments.size());
        std::thread([&] {
            flushing ? vec::prepareVectorUnit() : keepDenormals(); // a thread inherits its creator's settings
            for (std::size_t i = 0; i < arguments.size(); ++i)
                values[i] = subject.ours(arguments[i]);
        }).join();
        return values;
    };
    for (const Subject& subject : kSubjects)
    {
        const std::vector<double> expected = results(subject, false), flushed = results(subject, true);
        for (std::size_t i = 0; i < arguments.size(); ++i) // denormal results are flushed, as they should be
            ASSERT_TRUE(!(std::fabs(expected[i]) >= 0x1p-1022) || flushed[i] == expected[i])
                << subject.name << "(" << arguments[i] << "): " << flushed[i] << ", not " << expected[i];
    }
}

} // namespace
