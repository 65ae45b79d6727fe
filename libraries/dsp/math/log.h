#pragma once

namespace dsp::math
{

// Natural logarithm: the same bits on every machine, practically always the
// correctly rounded value. log(+-0) = -inf, log(x < 0) = NaN, log(+inf) = +inf.
// Evaluated in double-double arithmetic (a few hundred nanoseconds): for
// filter design and set-up, not for per-sample use.
double log(double x);

} // namespace dsp::math
