#pragma once

#include "libraries/dsp/math/double_double.h"

#include <cstdint>

namespace dsp::math
{

// x = q pi/2 + r with |r| <= pi/4, for a finite x.
struct HalfPiReduction
{
    std::uint32_t quadrant; // q mod 4
    DoubleDouble r;
};

// Exact for every double (Payne and Hanek): x 2/pi is formed in fixed point
// from the bits of 2/pi with integer arithmetic, keeping only the bits that
// matter modulo 4 and about 200 bits of fraction; r is then the fraction
// times pi/2, with a relative error near 2^-104 even for the x closest to a
// multiple of pi/2.
HalfPiReduction reduceByHalfPi(double x);

} // namespace dsp::math
