#include "libraries/dsp/filter_design/check_buffer.h"
#include "libraries/dsp/filter_design/digital_iir_tools.h"
#include "libraries/dsp/filter_design/equation_solution_exception.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace
{

using dsp::DigitalIIRTools;
using dsp::FirstOrderCoefficients;
using dsp::SecondOrderCoefficients;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

FirstOrderCoefficients firstOrder(double b0, double b1, double a1)
{
    return {b0, b1, 1.0, a1};
}

// Monic polynomial with roots r1, r2: 1 - (r1 + r2) z^-1 + r1 r2 z^-2.
SecondOrderCoefficients withPoles(double r1, double r2)
{
    return {1.0, 0.0, 0.0, 1.0, -(r1 + r2), r1 * r2};
}

SecondOrderCoefficients withZeros(double r1, double r2)
{
    return {1.0, -(r1 + r2), r1 * r2, 1.0, 0.0, 0.0};
}

TEST(DigitalIIRTools, FirstOrderStabilityNeedsThePoleStrictlyInsideTheUnitCircle)
{
    EXPECT_TRUE(DigitalIIRTools<1>::isStable(firstOrder(1.0, 0.0, -0.999)));
    EXPECT_TRUE(DigitalIIRTools<1>::isStable(firstOrder(1.0, 0.0, 0.999)));
    EXPECT_FALSE(DigitalIIRTools<1>::isStable(firstOrder(1.0, 0.0, -1.0)));
    EXPECT_FALSE(DigitalIIRTools<1>::isStable(firstOrder(1.0, 0.0, 1.5)));
    EXPECT_FALSE(DigitalIIRTools<1>::isStable(firstOrder(1.0, 0.0, kNaN)));
    // a0 takes part: (1 + 0.5 z^-1) / (0.25 + 0.5 z^-1) has its pole at z = -2.
    EXPECT_FALSE(DigitalIIRTools<1>::isStable({1.0, 0.5, 0.25, 0.5}));
}

TEST(DigitalIIRTools, FirstOrderMinimumPhaseAllowsAZeroOnTheUnitCircle)
{
    EXPECT_TRUE(DigitalIIRTools<1>::isMinimumPhase(firstOrder(1.0, -1.0, -0.5))); // zero at DC
    EXPECT_TRUE(DigitalIIRTools<1>::isMinimumPhase(firstOrder(2.0, 1.0, 0.0)));
    EXPECT_FALSE(DigitalIIRTools<1>::isMinimumPhase(firstOrder(1.0, -1.0000001, 0.0)));
    EXPECT_TRUE(DigitalIIRTools<1>::isAlmostMinimumPhase(firstOrder(1.0, -1.0000001, 0.0), 1.e-6));
    EXPECT_FALSE(DigitalIIRTools<1>::isAlmostMinimumPhase(firstOrder(1.0, -1.0000001, 0.0), 1.e-8));
    EXPECT_FALSE(DigitalIIRTools<1>::isMinimumPhase(firstOrder(0.0, 1.0, 0.0))); // a pure delay
    EXPECT_FALSE(DigitalIIRTools<1>::isMinimumPhase(firstOrder(kInfinity, 1.0, 0.0)));
    EXPECT_FALSE(DigitalIIRTools<1>::isStable({1.0, 0.0, kInfinity, 1.0}));
}

TEST(DigitalIIRTools, SecondOrderStabilityChecksBothPoles)
{
    EXPECT_TRUE(DigitalIIRTools<2>::isStable(withPoles(0.5, -0.9)));
    EXPECT_TRUE(DigitalIIRTools<2>::isStable({1.0, 0.0, 0.0, 1.0, -1.9, 0.99})); // complex pair, |z| = 0.995
    EXPECT_FALSE(DigitalIIRTools<2>::isStable(withPoles(0.5, 1.01)));
    EXPECT_FALSE(DigitalIIRTools<2>::isStable(withPoles(-1.01, 0.1)));
    EXPECT_FALSE(DigitalIIRTools<2>::isStable(withPoles(1.0, 1.0)));
    EXPECT_FALSE(DigitalIIRTools<2>::isStable({1.0, 0.0, 0.0, 1.0, -1.0, 1.0})); // pair on the circle
    EXPECT_FALSE(DigitalIIRTools<2>::isStable({1.0, 0.0, 0.0, 1.0, kNaN, 0.5}));
}

TEST(DigitalIIRTools, SecondOrderMinimumPhaseAndItsTolerance)
{
    EXPECT_TRUE(DigitalIIRTools<2>::isMinimumPhase(withZeros(1.0, 1.0))); // high-pass double zero at DC
    EXPECT_TRUE(DigitalIIRTools<2>::isMinimumPhase({1.0, 0.0, 1.0, 1.0, 0.0, 0.0})); // zeros at +-j
    EXPECT_TRUE(DigitalIIRTools<2>::isMinimumPhase(withZeros(0.3, -0.95)));
    EXPECT_FALSE(DigitalIIRTools<2>::isMinimumPhase(withZeros(0.5, 1.05)));
    EXPECT_FALSE(DigitalIIRTools<2>::isAlmostMinimumPhase(withZeros(0.5, 1.05), 1.e-7));
    EXPECT_FALSE(DigitalIIRTools<2>::isMinimumPhase({0.0, 1.0, 0.5, 1.0, 0.0, 0.0}));
    EXPECT_FALSE(DigitalIIRTools<2>::isMinimumPhase({kInfinity, 1.0, 0.5, 1.0, 0.0, 0.0}));

    // A double zero at DC split by rounding into 1 +- 1e-8.
    const SecondOrderCoefficients split = withZeros(1.0 + 1e-8, 1.0 - 1e-8);
    EXPECT_FALSE(DigitalIIRTools<2>::isMinimumPhase(split));
    EXPECT_TRUE(DigitalIIRTools<2>::isAlmostMinimumPhase(split, 1.e-7));
    EXPECT_FALSE(DigitalIIRTools<2>::isAlmostMinimumPhase(split, 1.e-9));
}

TEST(CheckBuffer, EveryCoefficientMustBeFinite)
{
    const std::array<double, 4> finite{1.0, -2.5, 1e300, 0.0};
    EXPECT_TRUE(dsp::checkBuffer(finite.data(), finite.size()));

    const std::array<double, 4> infiniteLast{1.0, 0.5, 1.0, kInfinity};
    EXPECT_FALSE(dsp::checkBuffer(infiniteLast.data(), 4));
    EXPECT_TRUE(dsp::checkBuffer(infiniteLast.data(), 3)); // only the first values count

    const std::array<double, 6> notANumber{1.0, 0.0, kNaN, 1.0, 0.0, 0.0};
    EXPECT_FALSE(dsp::checkBuffer(notANumber.data(), 6));
    const std::array<double, 2> negativeInfinity{-kInfinity, 0.0};
    EXPECT_FALSE(dsp::checkBuffer(negativeInfinity.data(), 2));
}

TEST(EquationSolutionException, HasAnEmptyMessageAndBelongsToTheCoreFamily)
{
    const dsp::EquationSolutionException exception;
    EXPECT_STREQ(exception.what(), "");

    bool caughtAsCore = false;
    try
    {
        throw dsp::EquationSolutionException();
    }
    catch (const core::Exception& caught)
    {
        caughtAsCore = true;
        EXPECT_STREQ(caught.what(), "");
    }
    EXPECT_TRUE(caughtAsCore);

    bool caughtAsStd = false;
    try
    {
        throw dsp::EquationSolutionException(exception);
    }
    catch (const std::exception& caught)
    {
        caughtAsStd = true;
        EXPECT_STREQ(caught.what(), "");
    }
    EXPECT_TRUE(caughtAsStd);
}

} // namespace
