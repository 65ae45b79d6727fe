#include "libraries/dsp/vector/vector_primitives.h"

#include <bit>

namespace vec
{

namespace
{

constexpr bool badLength(std::int32_t n)
{
    return n < 1;
}

} // namespace

VectorStatus copyDoubles(const double* src, double* dst, std::int32_t n)
{
    if (src == nullptr || dst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    for (std::int32_t i = 0; i < n; ++i)
        dst[i] = src[i];
    return kStatusOk;
}

VectorStatus zeroDoubles(double* dst, std::int32_t n)
{
    return fillDoubles(0.0, dst, n);
}

VectorStatus fillDoubles(double value, double* dst, std::int32_t n)
{
    if (dst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    for (std::int32_t i = 0; i < n; ++i)
        dst[i] = value;
    return kStatusOk;
}

VectorStatus convertFloatToDouble(const float* src, double* dst, std::int32_t n)
{
    if (src == nullptr || dst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    for (std::int32_t i = 0; i < n; ++i)
        dst[i] = static_cast<double>(src[i]);
    return kStatusOk;
}

VectorStatus convertDoubleToFloat(const double* src, float* dst, std::int32_t n)
{
    if (src == nullptr || dst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    for (std::int32_t i = 0; i < n; ++i)
    {
        double x = src[i];
        // Comparisons are false for NaN, which therefore passes through as NaN.
        if (x > kLargestFloat)
            x = kLargestFloat;
        else if (x < -kLargestFloat)
            x = -kLargestFloat;
        dst[i] = static_cast<float>(x);
    }
    return kStatusOk;
}

VectorStatus thresholdBelowDoubles(const double* src, double* dst, std::int32_t n, double level)
{
    if (src == nullptr || dst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    for (std::int32_t i = 0; i < n; ++i)
        dst[i] = src[i] > level ? src[i] : level;
    return kStatusOk;
}

VectorStatus thresholdAboveDoublesInPlace(double* srcDst, std::int32_t n, double level)
{
    if (srcDst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    for (std::int32_t i = 0; i < n; ++i)
        srcDst[i] = level < srcDst[i] ? level : srcDst[i];
    return kStatusOk;
}

VectorStatus thresholdRangeDoubles(const double* src, double* dst, std::int32_t n, double lowLevel, double lowValue,
                                   double highLevel, double highValue)
{
    if (src == nullptr || dst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    if (lowLevel > highLevel)
        return kStatusBadRange;
    for (std::int32_t i = 0; i < n; ++i)
    {
        const double x = src[i];
        if (x < lowLevel)
            dst[i] = lowValue;
        else if (x > highLevel)
            dst[i] = highValue;
        else
            dst[i] = x;
    }
    return kStatusOk;
}

VectorStatus scaleDoublesInPlace(double factor, double* srcDst, std::int32_t n)
{
    if (srcDst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    if (factor == 1.0)
        return kStatusOk;
    if (factor == 0.0)
        return zeroDoubles(srcDst, n);
    for (std::int32_t i = 0; i < n; ++i)
        srcDst[i] = srcDst[i] * factor;
    return kStatusOk;
}

VectorStatus scaleDoubles(const double* src, double factor, double* dst, std::int32_t n)
{
    if (src == nullptr || dst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    if (factor == 1.0)
        return copyDoubles(src, dst, n);
    if (factor == 0.0)
        return zeroDoubles(dst, n);
    for (std::int32_t i = 0; i < n; ++i)
        dst[i] = src[i] * factor;
    return kStatusOk;
}

VectorStatus addDoublesInPlace(const double* src, double* srcDst, std::int32_t n)
{
    if (src == nullptr || srcDst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    for (std::int32_t i = 0; i < n; ++i)
        srcDst[i] = srcDst[i] + src[i];
    return kStatusOk;
}

VectorStatus multiplyDoublesInPlace(const double* src, double* srcDst, std::int32_t n)
{
    if (src == nullptr || srcDst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    for (std::int32_t i = 0; i < n; ++i)
        srcDst[i] = srcDst[i] * src[i];
    return kStatusOk;
}

VectorStatus absDoubles(const double* src, double* dst, std::int32_t n)
{
    if (src == nullptr || dst == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
    for (std::int32_t i = 0; i < n; ++i)
        dst[i] = std::bit_cast<double>(std::bit_cast<std::uint64_t>(src[i]) & ~kSignBit);
    return kStatusOk;
}

VectorStatus maxOfDoubles(const double* src, std::int32_t n, double* result)
{
    if (src == nullptr || result == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    double largest = src[0];
    for (std::int32_t i = 1; i < n; ++i)
        if (src[i] > largest)
            largest = src[i];
    *result = largest;
    return kStatusOk;
}

VectorStatus minOfDoubles(const double* src, std::int32_t n, double* result)
{
    if (src == nullptr || result == nullptr)
        return kStatusNullPointer;
    if (badLength(n))
        return kStatusBadLength;
    double smallest = src[0];
    for (std::int32_t i = 1; i < n; ++i)
        if (src[i] < smallest)
            smallest = src[i];
    *result = smallest;
    return kStatusOk;
}

} // namespace vec
