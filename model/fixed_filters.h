#pragma once

#include "model/transposed_direct_form.h"

#include <cstdint>

namespace corvex
{

// A first-order filter with constant coefficients: its state, then b0, b1, a0, a1
// (a0 is stored as 1.0 and never read).
struct FixedFirstOrder
{
    double s;
    double b0;
    double b1;
    double a0;
    double a1;
};

// A biquad with constant coefficients: its two states, then b0, b1, b2, a0, a1, a2.
struct FixedSecondOrder
{
    double s1;
    double s2;
    double b0;
    double b1;
    double b2;
    double a0;
    double a1;
    double a2;
};

// Clears the state and sets pass-through coefficients until the set-up designs them.
void resetFixedFirstOrder(FixedFirstOrder& filter);
void resetFixedSecondOrder(FixedSecondOrder& filter);

// One sample through the filter; for loops that keep the record in a local copy.
inline double fixedFilterSample(FixedFirstOrder& filter, double x)
{
    return firstOrderSection(x, filter.s, filter.b0, filter.b1, filter.a1);
}

inline double fixedFilterSample(FixedSecondOrder& filter, double x)
{
    return secondOrderSection(x, filter.s1, filter.s2, filter.b0, filter.b1, filter.b2, filter.a1, filter.a2);
}

// destination = source filtered; source and destination are distinct channels.
void fixedFirstOrder(const double* source, double* destination, std::int32_t numSamples, FixedFirstOrder& filter);
void fixedSecondOrder(const double* source, double* destination, std::int32_t numSamples, FixedSecondOrder& filter);

} // namespace corvex
