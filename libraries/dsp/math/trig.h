#pragma once

namespace dsp::math
{

// Sine, cosine and tangent of x in radians: the same bits on every machine,
// practically always the correctly rounded value, for every double (huge
// arguments are reduced exactly). The sign of a zero argument is kept by sin
// and tan; infinities and NaN give NaN. Evaluated in double-double arithmetic
// (a few hundred nanoseconds): for filter design, not per sample.
double sin(double x);
double cos(double x);
double tan(double x);

} // namespace dsp::math
