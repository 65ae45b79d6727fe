#pragma once

#include "model/transposed_direct_form.h"

namespace corvex
{

// A first-order filter with constant coefficients: its state, then b0, b1, a1
// (a0 is 1). Value is double for one channel, DoubleLanes for two in lanes.
template <class Value>
struct FirstOrderFilter
{
    Value s;
    Value b0;
    Value b1;
    Value a1;
};

// A biquad with constant coefficients: its two states, then b0, b1, b2, a1, a2 (a0 is 1).
template <class Value>
struct SecondOrderFilter
{
    Value s1;
    Value s2;
    Value b0;
    Value b1;
    Value b2;
    Value a1;
    Value a2;
};

using FixedFirstOrder = FirstOrderFilter<double>;
using FixedSecondOrder = SecondOrderFilter<double>;

// Clears the state and sets pass-through coefficients until the set-up designs them.
void resetFixedFirstOrder(FixedFirstOrder& filter);
void resetFixedSecondOrder(FixedSecondOrder& filter);

// One sample through the filter; for loops that keep the record in a local copy.
template <class Value>
[[gnu::always_inline]] inline Value filterSample(FirstOrderFilter<Value>& filter, Value x)
{
    return firstOrderSection(x, filter.s, filter.b0, filter.b1, filter.a1);
}

template <class Value>
[[gnu::always_inline]] inline Value filterSample(SecondOrderFilter<Value>& filter, Value x)
{
    return secondOrderSection(x, filter.s1, filter.s2, filter.b0, filter.b1, filter.b2, filter.a1, filter.a2);
}

} // namespace corvex
