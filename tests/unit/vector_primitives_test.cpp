#include "libraries/dsp/vector/vector_primitives.h"

#include <gtest/gtest.h>

#if defined(__SSE__)
#  include <immintrin.h>
#endif

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

namespace
{

constexpr double kGuard = -12345.678;
constexpr int kGuardCount = 4;
constexpr std::int32_t kMaxLength = 40;

// A buffer of n doubles with guard values on both sides, to catch writes outside it.
struct GuardedBuffer
{
    explicit GuardedBuffer(std::int32_t n) : storage(static_cast<std::size_t>(n + 2 * kGuardCount), kGuard), size(n) {}
    double* data() { return storage.data() + kGuardCount; }
    double& operator[](std::int32_t i) { return data()[i]; }
    bool guardsIntact() const
    {
        for (int i = 0; i < kGuardCount; ++i)
            if (std::bit_cast<std::uint64_t>(storage[static_cast<std::size_t>(i)]) != std::bit_cast<std::uint64_t>(kGuard) ||
                std::bit_cast<std::uint64_t>(storage[storage.size() - 1 - static_cast<std::size_t>(i)]) !=
                    std::bit_cast<std::uint64_t>(kGuard))
                return false;
        return true;
    }
    std::vector<double> storage;
    std::int32_t size;
};

// Values that exercise signs, zeros, large and tiny magnitudes.
double sample(std::int32_t i, int salt)
{
    static const double values[] = {0.5, -0.25, 0.0, -0.0, 3.0, -7.5, 1e-3, -1e3, 1.0, 0.75, -1.0, 2.5};
    return values[static_cast<std::size_t>((i * 7 + salt) % 12)];
}

bool sameBits(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

using BinaryOp = std::function<vec::VectorStatus(const double*, double*, std::int32_t)>;
using Reference = std::function<double(double src, double dst)>;

// Runs an operation on every length from 1 to kMaxLength and compares it with a plain loop.
void checkAgainstPlainLoop(const BinaryOp& op, const Reference& reference)
{
    for (std::int32_t n = 1; n <= kMaxLength; ++n)
    {
        GuardedBuffer src(n);
        GuardedBuffer dst(n);
        std::vector<double> expected(static_cast<std::size_t>(n));
        for (std::int32_t i = 0; i < n; ++i)
        {
            src[i] = sample(i, 0);
            dst[i] = sample(i, 5);
            expected[static_cast<std::size_t>(i)] = reference(src[i], dst[i]);
        }
        ASSERT_EQ(op(src.data(), dst.data(), n), vec::kStatusOk) << "n = " << n;
        for (std::int32_t i = 0; i < n; ++i)
            ASSERT_TRUE(sameBits(dst[i], expected[static_cast<std::size_t>(i)])) << "n = " << n << ", i = " << i;
        ASSERT_TRUE(src.guardsIntact() && dst.guardsIntact()) << "n = " << n;
    }
}

TEST(VectorPrimitives, ElementWiseOperationsMatchAPlainLoopAtEveryLength)
{
    checkAgainstPlainLoop([](const double* s, double* d, std::int32_t n) { return vec::copyDoubles(s, d, n); },
                          [](double s, double) { return s; });
    checkAgainstPlainLoop([](const double*, double* d, std::int32_t n) { return vec::zeroDoubles(d, n); },
                          [](double, double) { return 0.0; });
    checkAgainstPlainLoop([](const double*, double* d, std::int32_t n) { return vec::fillDoubles(-2.5, d, n); },
                          [](double, double) { return -2.5; });
    checkAgainstPlainLoop(
        [](const double* s, double* d, std::int32_t n) { return vec::thresholdBelowDoubles(s, d, n, 0.6); },
        [](double s, double) { return s > 0.6 ? s : 0.6; });
    checkAgainstPlainLoop(
        [](const double*, double* d, std::int32_t n) { return vec::thresholdAboveDoublesInPlace(d, n, 0.6); },
        [](double, double d) { return 0.6 < d ? 0.6 : d; });
    checkAgainstPlainLoop(
        [](const double* s, double* d, std::int32_t n) {
            return vec::thresholdRangeDoubles(s, d, n, -0.25, -9.0, 1.0, 9.0);
        },
        [](double s, double) { return s < -0.25 ? -9.0 : (s > 1.0 ? 9.0 : s); });
    checkAgainstPlainLoop([](const double*, double* d, std::int32_t n) { return vec::scaleDoublesInPlace(0.3, d, n); },
                          [](double, double d) { return d * 0.3; });
    checkAgainstPlainLoop([](const double* s, double* d, std::int32_t n) { return vec::scaleDoubles(s, -1.7, d, n); },
                          [](double s, double) { return s * -1.7; });
    checkAgainstPlainLoop([](const double* s, double* d, std::int32_t n) { return vec::addDoublesInPlace(s, d, n); },
                          [](double s, double d) { return d + s; });
    checkAgainstPlainLoop(
        [](const double* s, double* d, std::int32_t n) { return vec::multiplyDoublesInPlace(s, d, n); },
        [](double s, double d) { return d * s; });
    checkAgainstPlainLoop([](const double* s, double* d, std::int32_t n) { return vec::absDoubles(s, d, n); },
                          [](double s, double) { return std::fabs(s); });
}

TEST(VectorPrimitives, ConversionsAtEveryLength)
{
    for (std::int32_t n = 1; n <= kMaxLength; ++n)
    {
        std::vector<float> floats(static_cast<std::size_t>(n) + 2, 99.0f);
        GuardedBuffer wide(n);
        for (std::int32_t i = 0; i < n; ++i)
            floats[static_cast<std::size_t>(i) + 1] = static_cast<float>(sample(i, 3)) / 3.0f;
        ASSERT_EQ(vec::convertFloatToDouble(floats.data() + 1, wide.data(), n), vec::kStatusOk);
        for (std::int32_t i = 0; i < n; ++i)
            ASSERT_EQ(wide[i], static_cast<double>(floats[static_cast<std::size_t>(i) + 1]));
        ASSERT_TRUE(wide.guardsIntact());

        std::vector<float> narrow(static_cast<std::size_t>(n) + 2, 99.0f);
        ASSERT_EQ(vec::convertDoubleToFloat(wide.data(), narrow.data() + 1, n), vec::kStatusOk);
        for (std::int32_t i = 0; i < n; ++i)
            ASSERT_EQ(narrow[static_cast<std::size_t>(i) + 1], floats[static_cast<std::size_t>(i) + 1]);
        ASSERT_EQ(narrow.front(), 99.0f);
        ASSERT_EQ(narrow.back(), 99.0f);
    }
}

TEST(VectorPrimitives, ReductionsAtEveryLength)
{
    for (std::int32_t n = 1; n <= kMaxLength; ++n)
    {
        GuardedBuffer src(n);
        double largest = -1e300;
        double smallest = 1e300;
        for (std::int32_t i = 0; i < n; ++i)
        {
            src[i] = sample(i, 1) * (i + 1);
            largest = std::max(largest, src[i]);
            smallest = std::min(smallest, src[i]);
        }
        double result = 0.0;
        ASSERT_EQ(vec::maxOfDoubles(src.data(), n, &result), vec::kStatusOk);
        ASSERT_EQ(result, largest);
        ASSERT_EQ(vec::minOfDoubles(src.data(), n, &result), vec::kStatusOk);
        ASSERT_EQ(result, smallest);
    }
}

TEST(VectorPrimitives, NullPointersComeBeforeLengthAndWriteNothing)
{
    double buffer[2] = {1.0, 2.0};
    double result = 42.0;
    EXPECT_EQ(vec::copyDoubles(nullptr, buffer, 0), vec::kStatusNullPointer);
    EXPECT_EQ(vec::copyDoubles(buffer, nullptr, 2), vec::kStatusNullPointer);
    EXPECT_EQ(vec::zeroDoubles(nullptr, -1), vec::kStatusNullPointer);
    EXPECT_EQ(vec::thresholdRangeDoubles(nullptr, buffer, 0, 1.0, 0.0, 0.5, 0.0), vec::kStatusNullPointer);
    EXPECT_EQ(vec::maxOfDoubles(buffer, 2, nullptr), vec::kStatusNullPointer);
    EXPECT_EQ(vec::convertDoubleToFloat(buffer, nullptr, 2), vec::kStatusNullPointer);
    EXPECT_EQ(buffer[0], 1.0);
    EXPECT_EQ(buffer[1], 2.0);

    EXPECT_EQ(vec::zeroDoubles(buffer, 0), vec::kStatusBadLength);
    EXPECT_EQ(vec::fillDoubles(3.0, buffer, -5), vec::kStatusBadLength);
    EXPECT_EQ(vec::maxOfDoubles(buffer, 0, &result), vec::kStatusBadLength);
    EXPECT_EQ(vec::minOfDoubles(buffer, -1, &result), vec::kStatusBadLength);
    EXPECT_EQ(result, 42.0) << "result is written only on success";
    EXPECT_EQ(buffer[0], 1.0);
}

TEST(VectorPrimitives, RangeOrderIsCheckedAfterLengthAndEqualLevelsCopy)
{
    double src[3] = {0.5, 0.2, 0.9};
    double dst[3] = {7.0, 7.0, 7.0};
    EXPECT_EQ(vec::thresholdRangeDoubles(src, dst, 0, 1.0, 0.0, 0.5, 0.0), vec::kStatusBadLength);
    EXPECT_EQ(vec::thresholdRangeDoubles(src, dst, 3, 1.0, 0.0, 0.5, 0.0), vec::kStatusBadRange);
    EXPECT_EQ(dst[0], 7.0);
    EXPECT_EQ(vec::thresholdRangeDoubles(src, dst, 3, 0.5, -1.0, 0.5, 1.0), vec::kStatusOk);
    EXPECT_EQ(dst[0], 0.5);
    EXPECT_EQ(dst[1], -1.0);
    EXPECT_EQ(dst[2], 1.0);
}

TEST(VectorPrimitives, ScaleByExactlyZeroOrOne)
{
    const double inf = std::numeric_limits<double>::infinity();
    double src[3] = {inf, -0.0, std::nan("")};
    double dst[3] = {5.0, 5.0, 5.0};
    EXPECT_EQ(vec::scaleDoubles(src, 0.0, dst, 3), vec::kStatusOk);
    for (double d : dst)
        EXPECT_TRUE(sameBits(d, 0.0));
    EXPECT_EQ(vec::scaleDoubles(src, 1.0, dst, 3), vec::kStatusOk);
    EXPECT_EQ(dst[0], inf);
    EXPECT_TRUE(std::signbit(dst[1])) << "-0.0 stays -0.0 when copied";

    double inPlace[2] = {inf, -3.0};
    EXPECT_EQ(vec::scaleDoublesInPlace(-0.0, inPlace, 2), vec::kStatusOk);
    EXPECT_TRUE(sameBits(inPlace[0], 0.0));
    EXPECT_TRUE(sameBits(inPlace[1], 0.0));
    double untouched[1] = {-0.0};
    EXPECT_EQ(vec::scaleDoublesInPlace(1.0, untouched, 1), vec::kStatusOk);
    EXPECT_TRUE(std::signbit(untouched[0]));
}

TEST(VectorPrimitives, ConversionToFloatClampsToTheLargestFiniteFloat)
{
    const double src[5] = {1e300, -std::numeric_limits<double>::infinity(), std::nan(""), 3.4028235677973366e38,
                           -1e39};
    float dst[5] = {};
    EXPECT_EQ(vec::convertDoubleToFloat(src, dst, 5), vec::kStatusOk);
    EXPECT_EQ(dst[0], std::numeric_limits<float>::max());
    EXPECT_EQ(dst[1], -std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isnan(dst[2]));
    EXPECT_EQ(dst[3], std::numeric_limits<float>::max()) << "rounds up to infinity unless clamped first";
    EXPECT_EQ(dst[4], -std::numeric_limits<float>::max());
}

TEST(VectorPrimitives, AbsClearsOnlyTheSignBit)
{
    const double nanWithPayload = std::bit_cast<double>(std::uint64_t{0xFFF8000000000123});
    const double src[3] = {-0.0, -2.5, nanWithPayload};
    double dst[3] = {};
    EXPECT_EQ(vec::absDoubles(src, dst, 3), vec::kStatusOk);
    EXPECT_TRUE(sameBits(dst[0], 0.0));
    EXPECT_EQ(dst[1], 2.5);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(dst[2]), std::uint64_t{0x7FF8000000000123});
}

TEST(VectorPrimitives, MaxAndMinKeepTheFirstOfEqualValues)
{
    const double single[1] = {-3.5};
    double result = 0.0;
    EXPECT_EQ(vec::maxOfDoubles(single, 1, &result), vec::kStatusOk);
    EXPECT_EQ(result, -3.5);
    const double zeros[2] = {-0.0, 0.0};
    EXPECT_EQ(vec::maxOfDoubles(zeros, 2, &result), vec::kStatusOk);
    EXPECT_TRUE(std::signbit(result)) << "+0.0 is not strictly greater than -0.0";
}

TEST(VectorPrimitives, PreparedThreadFlushesDenormals)
{
    // Runs on a fresh thread so the test runner's own floating-point settings stay untouched.
    volatile double tiny = 1e-300;
    volatile double factor = 1e-10;
    double before = 0.0;
    double after = 1.0;
    std::thread worker([&] {
        // A new thread inherits its creator's settings; start from the default ones.
#if defined(__SSE__)
        _mm_setcsr(_mm_getcsr() & ~0x8040u);
#elif defined(__aarch64__)
        std::uint64_t fpcr;
        asm volatile("mrs %0, fpcr" : "=r"(fpcr));
        asm volatile("msr fpcr, %0" : : "r"(fpcr & ~(std::uint64_t{1} << 24)));
#endif
        before = tiny * factor;
        vec::prepareVectorUnit();
        after = tiny * factor;
    });
    worker.join();
    // Compared as bits: this thread may itself treat denormal inputs as zero.
    EXPECT_FALSE(sameBits(before, 0.0)) << "an unprepared thread produces a denormal";
    EXPECT_TRUE(sameBits(after, 0.0));
}

} // namespace
