#pragma once

#include <cstdint>

namespace core
{

// number * numerator / denominator computed in 64 bits and rounded to the
// nearest integer, halves away from zero, as the Windows MulDiv call does.
// A zero denominator or a result outside the 32-bit range gives -1.
std::int32_t mulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator);

} // namespace core
