// The engine's exp, log, sin, cos and tan: special values as the C library
// gives them, published correctly rounded values, and agreement with glibc
// within 1 ulp over the ranges the engine uses (which reaches every table
// entry); the full accuracy check against MPFR is math_accuracy. Then the
// vector primitives against plain loops, with their checks and edge values, and
// the filter designs against their analog prototypes, each fallback with its report.
#include "libraries/dsp/filter_design/check_buffer.h"
#include "libraries/dsp/filter_design/db_to_gain.h"
#include "libraries/dsp/filter_design/digital_iir_tools.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1highpass.h"
#include "libraries/dsp/filter_design/primitives/order1/dsp_order1lowpass.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_bell.h"
#include "libraries/dsp/filter_design/primitives/order2/dsp_order2highpass.h"
#include "libraries/dsp/math/exp.h"
#include "libraries/dsp/math/exp_lanes.h"
#include "libraries/dsp/math/log.h"
#include "libraries/dsp/math/trig.h"
#include "libraries/dsp/vector/vector_primitives.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#if defined(__SSE__)
#  include <immintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <thread>
#include <tuple>
#include <vector>

namespace
{

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

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

// expLanes gives each lane exp()'s bits whatever the other lane holds (one
// out of range sends both through exp()), over exp()'s sweeps above.
TEST(MathFunctions, ExpInLanesIsExpInEachLane)
{
    for (const auto& [low, high] : {std::pair{-40.0, 5.0}, std::pair{-700.0, 700.0}})
        for (int i = 0; i <= 20000; ++i)
        {
            const double x = low + (high - low) * (i / 20000.0), other = i % 1000 == 0 ? 800.0 : low + high - x;
            const dsp::math::DoubleLanes both = dsp::math::expLanes(dsp::math::DoubleLanes{x, other});
            ASSERT_EQ(std::bit_cast<std::uint64_t>(both[0]), std::bit_cast<std::uint64_t>(dsp::math::exp(x))) << x;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(both[1]), std::bit_cast<std::uint64_t>(dsp::math::exp(other)));
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

using corvex::testing::ReportCapture;
using dsp::DigitalIIRTools;
using dsp::SecondOrderCoefficients;

// A design widened to second order, with the checks of its own order.
struct Design
{
    SecondOrderCoefficients c;
    bool stable, minimumPhase;
};
Design widen(const dsp::FirstOrderCoefficients& c)
{
    return {{c.b0, c.b1, 0.0, c.a0, c.a1, 0.0}, DigitalIIRTools<1>::isStable(c), DigitalIIRTools<1>::isMinimumPhase(c)};
}
Design widen(const SecondOrderCoefficients& c) { return {c, DigitalIIRTools<2>::isStable(c), DigitalIIRTools<2>::isMinimumPhase(c)}; }

double gainDb(const SecondOrderCoefficients& c, double f, double fs)
{
    const std::complex<double> z = std::polar(1.0, -2.0 * kPi * f / fs);
    return 20.0 * std::log10(std::abs((c.b0 + c.b1 * z + c.b2 * z * z) / (c.a0 + c.a1 * z + c.a2 * z * z)));
}

// The analog prototypes in dB: gain (b2 s^2 + b1 s + b0) / (s^2 + a1 s + a0) with s = j 2 pi f.
double analogDb(double g, double b2, double b1, double b0, double a2, double a1, double a0, double f)
{
    const std::complex<double> s{0.0, 2.0 * kPi * f};
    return g + 20.0 * std::log10(std::abs((b2 * s * s + b1 * s + b0) / (a2 * s * s + a1 * s + a0)));
}
double w(double f) { return 2.0 * kPi * f; }
// G (s + mix w0) / (s + w0) and G (mix s + w0) / (s + w0)
double highPassDb(dsp::FirstOrderParams p, double f) { return analogDb(p.gainDb, 0, 1, p.mix * w(p.mFrequency), 0, 1, w(p.mFrequency), f); }
double lowPassDb(dsp::FirstOrderParams p, double f) { return analogDb(p.gainDb, 0, p.mix, w(p.mFrequency), 0, 1, w(p.mFrequency), f); }
// G0 (s^2 + s w0 sqrt(A) / Qe + w0^2) / (s^2 + s w0 / (sqrt(A) Qe) + w0^2), sqrt(A) = 10^(g/40), Qe = q / 10^(|g|/40)
double bellDb(const dsp::BellParams& p, double f)
{
    const double sqrtA = std::pow(10.0, p.gainDb / 40.0);
    const double qe = p.q / std::pow(10.0, std::fabs(p.gainDb) / 40.0);
    const double w0 = w(p.mFrequency);
    return analogDb(p.outputGainDb, 1, w0 * sqrtA / qe, w0 * w0, 1, w0 / (sqrtA * qe), w0 * w0, f);
}
// G s^2 / (s^2 + s w0 / Q + w0^2)
double highPass2Db(const dsp::SecondOrderHighPassParams& p, double f)
{
    return analogDb(p.outputGainDb, 1, 0, 0, 1, w(p.mFrequency) / p.q, w(p.mFrequency) * w(p.mFrequency), f);
}

std::vector<double> logarithmicRange(double lowHz, double highHz, int steps) // steps + 1 values, both ends included
{
    std::vector<double> values;
    for (int i = 0; i <= steps; ++i)
        values.push_back(lowHz * std::pow(highHz / lowHz, static_cast<double>(i) / steps));
    return values;
}

// Within 0.05 dB at DC and at the corner or centre (a first-order corner above
// 0.8 x 1.5672 fs rad/s is matched there instead: 0.25 dB), 0.5 dB everywhere below fs/4.
void expectFollows(const Design& d, const std::function<double(double)>& prototype, double f0, double fs,
                   double cornerToleranceDb)
{
    SCOPED_TRACE(testing::Message() << f0 << " Hz at " << fs << " Hz");
    ASSERT_TRUE(d.c.a0 == 1.0 && d.stable && d.minimumPhase);
    ASSERT_TRUE(std::isinf(prototype(0.0)) ? std::isinf(gainDb(d.c, 0.0, fs)) : std::fabs(gainDb(d.c, 0.0, fs) - prototype(0.0)) < 0.05);
    if (f0 < 0.4 * fs)
    {
        ASSERT_NEAR(gainDb(d.c, f0, fs), prototype(f0), cornerToleranceDb);
    }
    for (const double f : logarithmicRange(1.0, 0.25 * fs, 160))
        ASSERT_NEAR(gainDb(d.c, f, fs), prototype(f), 0.5) << f << " Hz";
}

TEST(FilterDesign, EveryDesignOfTheEngineFollowsItsPrototype)
{
    ReportCapture capture;
    for (const double fs : {44100.0, 48000.0, 96000.0, 192000.0})
    {
        const auto firstOrder = [fs](bool high, const dsp::FirstOrderParams& p) {
            expectFollows(widen(high ? dsp::designFirstOrderHighPass(p, fs) : dsp::designFirstOrderLowPass(p, fs)),
                          [&](double f) { return high ? highPassDb(p, f) : lowPassDb(p, f); }, p.mFrequency, fs,
                          p.mFrequency <= 0.8 * 1.5672 * fs / w(1.0) ? 0.05 : 0.25);
        };
        const auto bell = [fs](const dsp::BellParams& p) {
            expectFollows(widen(dsp::designBell(p, fs)), [&](double f) { return bellDb(p, f); }, p.mFrequency, fs, 0.05);
        };
        // The fixed filters of the sample-rate set-up, then the side-chain equaliser over its range.
        bell({2345.0, 0.1, 0.2, 0.0});
        firstOrder(false, {18000.0, 0.0, 0.0});
        firstOrder(true, {8.11728, 0.0, 0.0});
        const dsp::SecondOrderHighPassParams hp2{4.28651, 1.00516, 0.0, 0.0};
        expectFollows(widen(dsp::designSecondOrderHighPass(hp2, fs)), [&](double f) { return highPass2Db(hp2, f); },
                      hp2.mFrequency, fs, 0.05);
        for (const double centreHz : logarithmicRange(30.0, 16000.0, 48))
            for (double g = -12.0; g <= 12.0; g += 4.0)
                bell({centreHz, 0.5 * dsp::dbToGain(std::fabs(g)), g == 0.0 ? 1e-3 : g, 0.0});
        for (const double cornerHz : logarithmicRange(20.0, 1200.0, 48))
            firstOrder(true, {cornerHz, 0.0, 0.0});
        for (const double cornerHz : logarithmicRange(3000.0, 20000.0, 48))
            firstOrder(false, {cornerHz, 0.0, 0.0});
    }
    EXPECT_EQ(capture.count(), 0u);
}

SecondOrderCoefficients hp(double f, double mix, double g) { return widen(dsp::designFirstOrderHighPass({f, mix, g}, 48000.0)).c; }
SecondOrderCoefficients lp(double f, double mix, double g = 0.0) { return widen(dsp::designFirstOrderLowPass({f, mix, g}, 48000.0)).c; }
// Level 2 reports of the designs: the file's prefix (then the line), and the failed checks.
const std::string kHp1 = "2 libraries/dsp/filter_design/primitives/order1/dsp_order1highpass:";
const std::string kLp1 = "2 libraries/dsp/filter_design/primitives/order1/dsp_order1lowpass:";
const std::string kBellAt = "2 libraries/dsp/filter_design/primitives/order2/dsp_bell:";
const std::string kHp2 = "2 libraries/dsp/filter_design/primitives/order2/dsp_order2highpass:";
const std::string kAnalog = " dsp::checkBuffer(analogCoefficients, kNumAnalogCoefficients) | ";
const std::string kBuffer = " dsp::checkBuffer(outCoefficients, kNumCoefficients) | ";
const std::string kStable1 = " DigitalIIRTools<1>::isStable(outCoefficients) | ";
const std::string kMinimum1 = " DigitalIIRTools<1>::isMinimumPhase(outCoefficients) | ";
const std::string kStable2 = " DigitalIIRTools<2>::isStable(outCoefficients) | ";
const std::string kBellMatch = " dsp::solveBellMatch(matchedPrototype, matchFrequencyHz, sampleRate) | ";
const std::string kHighPassMatch = " dsp::solveSecondOrderHighPassMatch(matchedPrototype, matchFrequencyHz, sampleRate) | ";

// Exact gains at 48 kHz (frequency, dB, tolerance) at match points, limits and
// edges, and the reports (level 2, file:line check) of the designs without a match.
TEST(FilterDesign, ExactGainsAndTheReportsOfEveryFallback)
{
    const double top = 1.5672 * 48000.0 / w(1.0); // the upper match point of the first-order designs and the bell
    const double minusInf = -kInf;
    ReportCapture capture;
    const auto take = [&](const SecondOrderCoefficients& c) { // rows design in order; each takes its own reports
        const auto designed = std::make_pair(c, capture.described());
        return capture.clear(), designed;
    };
    // What, the design and its reports, gains (frequency, dB, tolerance), the expected reports.
    const std::tuple<const char*, std::pair<SecondOrderCoefficients, std::vector<std::string>>, std::vector<std::array<double, 3>>,
                     std::vector<std::string>>
        cases[] = {
        {"low shelf", take(hp(1000, 0.25, -3)), {{0, -3 + 20 * std::log10(0.25), 1e-9}, {1000, highPassDb({1000, 0.25, -3}, 1000), 1e-9}, {top, highPassDb({1000, 0.25, -3}, top), 1e-9}}, {}},
        {"high-pass above 0.8 top", take(hp(15000, 0, 0)), {{0.8 * top, highPassDb({15000, 0, 0}, 0.8 * top), 1e-9}, {top, highPassDb({15000, 0, 0}, top), 1e-9}}, {}},
        {"high shelf", take(lp(3000, 0.1)), {{0, 0, 1e-9}, {3000, lowPassDb({3000, 0.1, 0}, 3000), 1e-9}, {top, lowPassDb({3000, 0.1, 0}, top), 1e-9}}, {}},
        {"bell of 1e-3 dB", take(dsp::designBell({1000, 0.5, 1e-3, 0}, 48000)), {{1000, 1e-3, 1e-9}, {0, 0, 1e-9}}, {}},
        {"bell +6 over -3 dB", take(dsp::designBell({1000, 1, 6, -3}, 48000)), {{0, -3, 1e-9}, {1000, 3, 1e-9}, {12000, bellDb({1000, 1, 6, -3}, 12000), 0.05}}, {}},
        {"bell 0 over -3 dB", take(dsp::designBell({2345, 0.5, 0, -3}, 48000)), {{0, -3, 1e-12}, {2345, -3, 1e-12}, {24000, -3, 1e-12}}, {}},
        {"bell above Nyquist", take(dsp::designBell({30000, 2, 12, 0}, 48000)), {{0.49 * 48000, 12, 1e-6}}, {}},
        {"high-pass Q 3 +2 dB", take(dsp::designSecondOrderHighPass({1000, 3, 0, 2}, 48000)), {{0, minusInf, 0}, {1000, 2 + 20 * std::log10(3.0), 1e-6}}, {}},
        {"high-pass above Nyquist", take(dsp::designSecondOrderHighPass({30000, 0.7, 0, 0}, 48000)), {{0.49 * 48000, 20 * std::log10(0.7), 1e-6}}, {}},
        // A flat prototype away from unity has no match; the prewarped bilinear prototype is flat at its gain again.
        {"flat at 6 dB", take(hp(20, 1, 6)), {{0, 6, 1e-9}, {20, 6, 1e-9}, {24000, 6, 1e-9}}, {kHp1 + "57 dsp::solveFirstOrderMatch(matchPoints) | "}},
        // A low-pass with gain misses the unit-DC match: the prewarped bilinear low-pass K / (s + K).
        {"low-pass with gain", take(lp(1000, 0, 6)), {{0, 0, 1e-12}, {1000, -10 * std::log10(2.0), 1e-12}, {24000, minusInf, 0}},
         {kLp1 + "55 dsp::solveFirstOrderMatchUnitDc(matchPoints) | "}},
        // No real second-order numerator: the bilinear bell prewarped at the centre.
        {"narrow deep cut", take(dsp::designBell({3000, 50, -50, 0}, 48000)), {{3000, -50, 1e-6}, {0, 0, 1e-9}, {24000, 0, 1e-9}}, {kBellAt + "104" + kBellMatch}},
        // No decaying resonance: the prewarped bilinear high-pass, unstable like its prototype.
        {"negative Q", take(dsp::designSecondOrderHighPass({1000, -2, 0, 0}, 48000)), {{1000, 20 * std::log10(2.0), 1e-9}, {24000, 0, 1e-9}},
         {kHp2 + "78" + kHighPassMatch, kHp2 + "87" + kStable2}},
        {"infinite gain", take(hp(20, 0, kInf)), {}, {kHp1 + "42" + kAnalog, kHp1 + "64" + kBuffer, kHp1 + "65" + kStable1, kHp1 + "66" + kMinimum1}},
        {"NaN corner", take(lp(kNaN, 0)), {}, {kLp1 + "40" + kAnalog, kLp1 + "62" + kBuffer, kLp1 + "63" + kStable1, kLp1 + "64" + kMinimum1}},
        {"bell of Q 0", take(dsp::designBell({1000, 0, 6, 0}, 48000)), {},
         {kBellAt + "97" + kAnalog, kBellAt + "104" + kBellMatch, kBellAt + "112" + kBuffer, kBellAt + "113" + kStable2,
          kBellAt + "114 DigitalIIRTools<2>::isMinimumPhase(outCoefficients) | "}},
        {"high-pass of Q 0", take(dsp::designSecondOrderHighPass({1000, 0, 0, 0}, 48000)), {},
         {kHp2 + "71" + kAnalog, kHp2 + "78" + kHighPassMatch, kHp2 + "86" + kBuffer, kHp2 + "87" + kStable2,
          kHp2 + "88 DigitalIIRTools<2>::isAlmostMinimumPhase(outCoefficients, 1.e-7) | "}},
    };
    for (const auto& [what, designed, gains, reports] : cases)
    {
        SCOPED_TRACE(what);
        EXPECT_EQ(designed.second, reports);
        EXPECT_EQ(designed.first.a0, 1.0);
        for (const auto& [f, expectedDb, tolerance] : gains)
            EXPECT_TRUE(std::isinf(expectedDb) ? gainDb(designed.first, f, 48000.0) < -280.0 // a zero on the unit circle
                                               : std::fabs(gainDb(designed.first, f, 48000.0) - expectedDb) <= tolerance)
                << f << " Hz: " << gainDb(designed.first, f, 48000.0) << " dB, not " << expectedDb;
    }
    // A second-order high-pass keeps the double zero at DC exactly: b (1 - z^-1)^2.
    const SecondOrderCoefficients highPass = dsp::designSecondOrderHighPass({50.0, 1.00516, 0.0, 2.0}, 96000.0);
    EXPECT_TRUE(highPass.b1 == -2.0 * highPass.b0 && highPass.b2 == highPass.b0);
}

// A bell of at most a millionth of a decibel is its broadband gain alone; a
// first-order prototype within 1e-5 of (s + w0) / (s + w0) is exactly flat.
TEST(FilterDesign, NearlyFlatPrototypesGiveExactlyFlatSets)
{
    for (const double fs : {44100.0, 192000.0})
        for (const double gain : {0.0, 1e-6, -1e-6, -4e-7})
            EXPECT_EQ(dsp::designBell({1000.0, 0.5, gain, 0.0}, fs), dsp::kSecondOrderPassThrough) << gain;
    for (const auto& c : {hp(500.0, 1.0, 0.0), hp(500.0, 1.0 + 5e-6 / w(500.0), 0.0), hp(500.0, 1.0 - 9e-6 / w(500.0), 0.0),
                          lp(500.0, 1.0)})
        EXPECT_TRUE(c.b0 == 1.0 && c.b1 == c.a1) << c.b0 << " " << c.b1 << " " << c.a1;
}

TEST(FilterDesign, StabilityAndMinimumPhaseChecksAtTheirEdges)
{
    // First order as {b0, b1, 0, a0, a1, 0}; the last flag with a tolerance of 1e-7.
    const std::tuple<const char*, SecondOrderCoefficients, bool, bool, bool> cases[] = {
        {"1: pole at -1", {1, 0, 0, 1, 1, 0}, false, true, true},
        {"1: zero just outside", {1, -1.0000001, 0, 1, 0, 0}, true, false, true},
        {"2: poles 0.5 and 1.01", {1, 0, 0, 1, -1.51, 0.505}, false, true, true},
        {"2: complex pair on the unit circle", {1, 0, 0, 1, -1, 1}, false, true, true},
        {"2: double zero at DC", {1, -2, 1, 1, 0, 0}, true, true, true},
        {"2: zeros 1 +- 1e-8", {1, -2, 1 - 1e-16, 1, 0, 0}, true, false, true},
    };
    for (const auto& [what, c, stable, minimum, almost] : cases)
    {
        const dsp::FirstOrderCoefficients c1{c.b0, c.b1, c.a0, c.a1};
        const bool first = what[0] == '1';
        EXPECT_EQ(first ? DigitalIIRTools<1>::isStable(c1) : DigitalIIRTools<2>::isStable(c), stable) << what;
        EXPECT_EQ(first ? DigitalIIRTools<1>::isMinimumPhase(c1) : DigitalIIRTools<2>::isMinimumPhase(c), minimum) << what;
        EXPECT_EQ(first ? DigitalIIRTools<1>::isAlmostMinimumPhase(c1, 1.e-7) : DigitalIIRTools<2>::isAlmostMinimumPhase(c, 1.e-7),
                  almost) << what;
    }
    EXPECT_FALSE(DigitalIIRTools<2>::isAlmostMinimumPhase({1, -2, 1 - 1e-16, 1, 0, 0}, 1.e-9));
    const double values[] = {1.0, -2.5, 1e300, kInf, kNaN};
    EXPECT_TRUE(dsp::checkBuffer(values, 3));
    EXPECT_FALSE(dsp::checkBuffer(values, 4));
    EXPECT_FALSE(dsp::checkBuffer(values + 4, 1));
}

} // namespace
