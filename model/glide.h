#pragma once

#include <bit>
#include <cstdint>

namespace corvex
{

// One step of a glide: the value moves by the fraction rate of its distance
// to the target. Every glide of the signal path takes this step, for one
// channel (double) or for both channels in lanes (DoubleLanes).
template <class Value, class Target, class Rate>
[[gnu::always_inline]] inline Value glideStep(Value value, Target target, Rate rate)
{
    return value + (target - value) * rate;
}

// True when a glide has converged: one more glideStep() leaves the value
// unchanged bit for bit, so every later step of the block would too, and the
// block may apply the value as a constant.
inline bool glideSettled(double value, double target, double rate)
{
    return std::bit_cast<std::uint64_t>(glideStep(value, target, rate)) == std::bit_cast<std::uint64_t>(value);
}

} // namespace corvex
