#pragma once

namespace corvex
{

// One sample times a constant factor, exactly as vec::scaleDoubles computes a
// block: a factor of 0.0 gives +0.0 whatever the sample, any other factor the
// product. For per-sample loops that must match the block stages bit for bit.
inline double scaledSample(double x, double factor)
{
    return factor == 0.0 ? 0.0 : x * factor;
}

} // namespace corvex
