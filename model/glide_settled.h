#pragma once

#include <bit>
#include <cstdint>

namespace corvex
{

// True when a glide value + (target - value) x rate has converged: one more
// step leaves the value unchanged bit for bit, so every later step of the block
// would too, and the block may apply the value as a constant.
inline bool glideSettled(double value, double target, double rate)
{
    return std::bit_cast<std::uint64_t>(value + (target - value) * rate) == std::bit_cast<std::uint64_t>(value);
}

} // namespace corvex
