#include "libraries/dsp/vector/vector_primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace
{

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
