#pragma once

namespace corvex
{

// One sample through a first-order section in transposed direct form II:
// y = b0 x + s; s = b1 x - a1 y. For one channel (double) or two in lanes
// (DoubleLanes); a coefficient of type double is the same in both lanes.
template <class Value, class Coefficient>
[[gnu::always_inline]] inline Value firstOrderSection(Value x, Value& s, Coefficient b0, Coefficient b1, Coefficient a1)
{
    const Value y = b0 * x + s;
    s = b1 * x - a1 * y;
    return y;
}

// One sample through a biquad in transposed direct form II:
// y = b0 x + s1; s1 = b1 x + s2 - a1 y; s2 = b2 x - a2 y.
template <class Value, class Coefficient>
[[gnu::always_inline]] inline Value secondOrderSection(Value x, Value& s1, Value& s2, Coefficient b0, Coefficient b1,
                                                       Coefficient b2, Coefficient a1, Coefficient a2)
{
    const Value y = b0 * x + s1;
    s1 = b1 * x + s2 - a1 * y;
    s2 = b2 * x - a2 * y;
    return y;
}

} // namespace corvex
