#pragma once

#include <cstddef>

namespace dsp
{

// True when each of the first numValues values is finite (neither infinite nor NaN).
bool checkBuffer(const double* values, std::size_t numValues);

} // namespace dsp
