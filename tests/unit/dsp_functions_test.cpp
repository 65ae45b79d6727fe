// The engine's exp, log, sin, cos and tan: special values as the C library
// gives them, published correctly rounded values, and agreement with glibc
// within 1 ulp over the ranges the engine uses (which reaches every table
// entry); the full accuracy check against MPFR is math_accuracy. Then the
// vector primitives against plain loops, with their checks and edge values.
#include "libraries/dsp/math/exp.h"
#include "libraries/dsp/math/log.h"
#include "libraries/dsp/math/trig.h"
#include "libraries/dsp/vector/vector_primitives.h"

#include <gtest/gtest.h>

#if defined(__SSE__)
#  include <immintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
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

using vec::VectorStatus;
using Run = std::function<VectorStatus(const double* src, double* dst, std::int32_t n)>;
constexpr double kInf = std::numeric_limits<double>::infinity();
bool sameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// Narrows into floats between two marks, then widens back, so that the float side is guarded too.
VectorStatus narrowed(const double* src, double* dst, std::int32_t n)
{
    std::vector<float> floats(n > 0 ? static_cast<std::size_t>(n) + 2 : 2, 99.0f);
    const VectorStatus status = vec::convertDoubleToFloat(src, dst ? floats.data() + 1 : nullptr, n);
    for (std::int32_t i = 0; status == vec::kStatusOk && i < n; ++i)
        dst[i] = floats[static_cast<std::size_t>(i) + 1];
    return floats.front() == 99.0f && floats.back() == 99.0f ? status : 1;
}
VectorStatus widened(const double* src, double* dst, std::int32_t n)
{
    std::vector<float> floats(static_cast<std::size_t>(std::max(n, 1)));
    for (std::int32_t i = 0; src && i < n; ++i)
        floats[static_cast<std::size_t>(i)] = static_cast<float>(src[i]);
    return vec::convertFloatToDouble(src ? floats.data() : nullptr, dst, n);
}

struct Primitive
{
    const char* name;
    Run run;
    std::function<double(double src, double dst)> plainLoop; // element i of dst after the call; none for reductions
    bool readsSource = true;
};

const Primitive kPrimitives[] = {
    {"copy", [](auto s, auto d, auto n) { return vec::copyDoubles(s, d, n); }, [](double s, double) { return s; }},
    {"zero", [](auto, auto d, auto n) { return vec::zeroDoubles(d, n); }, [](double, double) { return 0.0; }, false},
    {"fill", [](auto, auto d, auto n) { return vec::fillDoubles(-2.5, d, n); }, [](double, double) { return -2.5; }, false},
    {"floatToDouble", widened, [](double s, double) { return static_cast<double>(static_cast<float>(s)); }},
    {"doubleToFloat", narrowed, [](double s, double) { return static_cast<double>(static_cast<float>(s)); }},
    {"thresholdBelow", [](auto s, auto d, auto n) { return vec::thresholdBelowDoubles(s, d, n, 0.6); },
     [](double s, double) { return s > 0.6 ? s : 0.6; }},
    {"thresholdAbove", [](auto, auto d, auto n) { return vec::thresholdAboveDoublesInPlace(d, n, 0.6); },
     [](double, double d) { return 0.6 < d ? 0.6 : d; }, false},
    {"thresholdRange", [](auto s, auto d, auto n) { return vec::thresholdRangeDoubles(s, d, n, -0.25, -9.0, 1.0, 9.0); },
     [](double s, double) { return s < -0.25 ? -9.0 : (s > 1.0 ? 9.0 : s); }},
    {"scaleInPlace", [](auto, auto d, auto n) { return vec::scaleDoublesInPlace(0.3, d, n); },
     [](double, double d) { return d * 0.3; }, false},
    {"scale", [](auto s, auto d, auto n) { return vec::scaleDoubles(s, -1.7, d, n); }, [](double s, double) { return s * -1.7; }},
    {"add", [](auto s, auto d, auto n) { return vec::addDoublesInPlace(s, d, n); }, [](double s, double d) { return d + s; }},
    {"multiply", [](auto s, auto d, auto n) { return vec::multiplyDoublesInPlace(s, d, n); }, [](double s, double d) { return d * s; }},
    {"abs", [](auto s, auto d, auto n) { return vec::absDoubles(s, d, n); }, [](double s, double) { return std::fabs(s); }},
    // Reductions write their result to dst[0] and nothing else.
    {"max", [](auto s, auto d, auto n) { return vec::maxOfDoubles(s, n, d); }, nullptr},
    {"min", [](auto s, auto d, auto n) { return vec::minOfDoubles(s, n, d); }, nullptr},
};

void PrintTo(const Primitive& p, std::ostream* os) { *os << p.name; }
using VectorPrimitive = ::testing::TestWithParam<Primitive>;

// Every length from 1 to 40 against a plain loop, bit for bit, with four guard values on each side.
TEST_P(VectorPrimitive, MatchesAPlainLoopAtEveryLengthWithinItsBuffer)
{
    static const double values[] = {0.5, -0.25, 0.0, -0.0, 3.0, -7.5, 1e-3, -1e3, 1.0, 0.75, -1.0, 2.5};
    const Primitive& p = GetParam();
    for (std::int32_t n = 1; n <= 40; ++n)
    {
        std::vector<double> src(static_cast<std::size_t>(n) + 8, -12345.678), dst = src, expected = src;
        double largest = -kInf, smallest = kInf;
        for (std::size_t i = 4; i < static_cast<std::size_t>(n) + 4; ++i)
        {
            src[i] = values[(i * 7) % 12] * static_cast<double>(i - 3);
            expected[i] = dst[i] = values[(i * 7 + 5) % 12];
            largest = std::max(largest, src[i]);
            smallest = std::min(smallest, src[i]);
            if (p.plainLoop)
                expected[i] = p.plainLoop(src[i], dst[i]);
        }
        if (!p.plainLoop)
            expected[4] = std::string(p.name) == "max" ? largest : smallest;
        ASSERT_EQ(p.run(src.data() + 4, dst.data() + 4, n), vec::kStatusOk) << "n = " << n;
        for (std::size_t k = 0; k < dst.size(); ++k)
            ASSERT_TRUE(sameBits(dst[k], expected[k])) << "n = " << n << ", element " << static_cast<int>(k) - 4;
    }
}

// Null pointers (-8) are checked before the length (-6); a failed check writes nothing.
TEST_P(VectorPrimitive, RefusesNullPointersThenBadLengthsAndWritesNothing)
{
    const Primitive& p = GetParam();
    double src[2] = {1.0, 2.0};
    double dst[2] = {5.0, 5.0};
    EXPECT_EQ(p.run(p.readsSource ? nullptr : src, p.readsSource ? dst : nullptr, 0), -8);
    EXPECT_EQ(p.run(src, nullptr, -1), -8);
    EXPECT_EQ(p.run(src, dst, 0), -6);
    EXPECT_EQ(p.run(src, dst, -5), -6);
    EXPECT_TRUE(dst[0] == 5.0 && dst[1] == 5.0);
}

INSTANTIATE_TEST_SUITE_P(All, VectorPrimitive, ::testing::ValuesIn(kPrimitives),
                         [](const ::testing::TestParamInfo<Primitive>& info) { return std::string(info.param.name); });

TEST(VectorPrimitives, EdgeValues)
{
    double dst[3] = {5.0, 5.0, 5.0};
    const double src[3] = {kInf, -0.0, std::nan("")}, levels[3] = {0.5, 0.2, 0.9};
    EXPECT_EQ(vec::thresholdRangeDoubles(src, dst, 3, 1.0, 0.0, 0.5, 0.0), -18) << "range order, after the length";
    EXPECT_EQ(dst[0], 5.0);
    vec::thresholdRangeDoubles(levels, dst, 3, 0.5, -1.0, 0.5, 1.0); // equal levels copy
    EXPECT_TRUE(dst[0] == 0.5 && dst[1] == -1.0 && dst[2] == 1.0);
    vec::scaleDoubles(src, 0.0, dst, 3); // a factor of exactly 0 writes +0 even over infinity and NaN
    EXPECT_TRUE(sameBits(dst[0], 0.0) && sameBits(dst[1], 0.0) && sameBits(dst[2], 0.0));
    // Narrowing clamps to the largest finite float (the fourth value would round up to infinity).
    const double wide[5] = {1e300, -kInf, std::nan(""), 3.4028235677973366e38, -1e39};
    float narrow[5] = {};
    vec::convertDoubleToFloat(wide, narrow, 5);
    const float top = std::numeric_limits<float>::max();
    EXPECT_TRUE(narrow[0] == top && narrow[1] == -top && std::isnan(narrow[2]) && narrow[3] == top && narrow[4] == -top);
    const double signs[2] = {-0.0, std::bit_cast<double>(std::uint64_t{0xFFF8000000000123})};
    vec::absDoubles(signs, dst, 2); // clears the sign bit only, a NaN's payload kept
    EXPECT_TRUE(sameBits(dst[0], 0.0) && std::bit_cast<std::uint64_t>(dst[1]) == 0x7FF8000000000123u);
    const double zeros[2] = {-0.0, 0.0};
    vec::maxOfDoubles(zeros, 2, dst); // of equal values the first stays: +0 is not greater than -0
    EXPECT_TRUE(sameBits(dst[0], -0.0));
}

} // namespace
