#pragma once

#include <cstdint>

// Element-wise operations on arrays of doubles. Each is, in meaning, a plain
// loop over n elements; each checks its arguments first (null pointers, then
// n < 1, then the range order) and writes nothing when a check fails.
namespace vec
{

using VectorStatus = std::int32_t;

inline constexpr VectorStatus kStatusOk = 0;
inline constexpr VectorStatus kStatusBadLength = -6;
inline constexpr VectorStatus kStatusNullPointer = -8;
inline constexpr VectorStatus kStatusBadRange = -18;

// Largest finite float, the limit of convertDoubleToFloat.
inline constexpr double kLargestFloat = 3.4028234663852886e38;

VectorStatus copyDoubles(const double* src, double* dst, std::int32_t n);
VectorStatus zeroDoubles(double* dst, std::int32_t n);
VectorStatus fillDoubles(double value, double* dst, std::int32_t n);
VectorStatus convertFloatToDouble(const float* src, double* dst, std::int32_t n);
VectorStatus convertDoubleToFloat(const double* src, float* dst, std::int32_t n);
VectorStatus thresholdBelowDoubles(const double* src, double* dst, std::int32_t n, double level);
VectorStatus thresholdAboveDoublesInPlace(double* srcDst, std::int32_t n, double level);
VectorStatus thresholdRangeDoubles(const double* src, double* dst, std::int32_t n, double lowLevel, double lowValue,
                                   double highLevel, double highValue);
VectorStatus scaleDoublesInPlace(double factor, double* srcDst, std::int32_t n);
VectorStatus scaleDoubles(const double* src, double factor, double* dst, std::int32_t n);
VectorStatus addDoublesInPlace(const double* src, double* srcDst, std::int32_t n);
VectorStatus multiplyDoublesInPlace(const double* src, double* srcDst, std::int32_t n);
VectorStatus absDoubles(const double* src, double* dst, std::int32_t n);
VectorStatus maxOfDoubles(const double* src, std::int32_t n, double* result);
VectorStatus minOfDoubles(const double* src, std::int32_t n, double* result);

// Prepares the calling thread's floating-point unit: flush-to-zero,
// denormals-are-zero where the processor supports it, underflow masked,
// rounding untouched. Skipped silently where the processor has no SSE.
void prepareVectorUnit();

} // namespace vec
