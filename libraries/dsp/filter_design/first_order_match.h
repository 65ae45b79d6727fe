#pragma once

#include "libraries/dsp/filter_design/analog_section.h"

namespace dsp
{

// Squared-magnitude targets of a first-order prototype and the bilinear images
// of the frequencies where they are matched: m0 at DC, m1 at the corner
// omegaC = min(2 pi f, 0.8 Omega) and m2 at Omega = 1.5672 fs rad/s (near fs/4);
// w1 and w2 are the squared prewarped images of omegaC and Omega.
struct FirstOrderMatchPoints
{
    double m0;
    double m1;
    double m2;
    double w1;
    double w2;
};

FirstOrderMatchPoints firstOrderMatchPoints(const FirstOrderAnalogSection& prototype, double frequencyHz,
                                            double sampleRate);

// The section (sqrt(q) s + sqrt(p m0)) / (s + sqrt(p)), whose squared magnitude
// (q w + p m0) / (w + p) equals m0 at w = 0, m1 at w1 and m2 at w2.
// Throws EquationSolutionException when no such section exists.
FirstOrderAnalogSection solveFirstOrderMatch(const FirstOrderMatchPoints& points);

// As above with the DC gain taken as 1: (sqrt(q) s + sqrt(r)) / (s + sqrt(p)),
// matching m1 at w1 and m2 at w2. Throws EquationSolutionException when no
// such section exists.
FirstOrderAnalogSection solveFirstOrderMatchUnitDc(const FirstOrderMatchPoints& points);

} // namespace dsp
