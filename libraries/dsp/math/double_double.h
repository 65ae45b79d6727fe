#pragma once

// Double-double arithmetic: a value held as the unevaluated sum hi + lo of
// two doubles with |lo| <= ulp(hi) / 2, about 106 bits. Built from the
// error-free transformations of Dekker and Knuth with plain IEEE additions
// and multiplications in a fixed order (no fused multiply-add), so that every
// machine gives the same bits. The translation units using it are compiled
// with -ffp-contract=off.

namespace dsp::math
{

struct DoubleDouble
{
    double hi;
    double lo;
};

// a + b = s + e exactly, for any a and b (Knuth).
inline DoubleDouble twoSum(double a, double b)
{
    const double s = a + b;
    const double bVirtual = s - a;
    const double aVirtual = s - bVirtual;
    return {s, (a - aVirtual) + (b - bVirtual)};
}

// a + b = s + e exactly, when |a| >= |b| or a is zero (Dekker).
inline DoubleDouble fastTwoSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// a = hi + lo with hi and lo of 26 significant bits at most (Veltkamp), so
// that products of halves are exact. |a| below 2^995.
inline DoubleDouble split(double a)
{
    const double t = 134217729.0 * a; // 2^27 + 1
    const double hi = t - (t - a);
    return {hi, a - hi};
}

// a b = p + e exactly (Dekker), |a| and |b| below 2^995.
inline DoubleDouble twoProduct(double a, double b)
{
    const double p = a * b;
    const DoubleDouble as = split(a);
    const DoubleDouble bs = split(b);
    const double e = ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
    return {p, e};
}

inline DoubleDouble add(DoubleDouble x, DoubleDouble y)
{
    DoubleDouble s = twoSum(x.hi, y.hi);
    const DoubleDouble t = twoSum(x.lo, y.lo);
    s = fastTwoSum(s.hi, s.lo + t.hi);
    return fastTwoSum(s.hi, s.lo + t.lo);
}

inline DoubleDouble negate(DoubleDouble x)
{
    return {-x.hi, -x.lo};
}

inline DoubleDouble multiply(DoubleDouble x, DoubleDouble y)
{
    const DoubleDouble p = twoProduct(x.hi, y.hi);
    return fastTwoSum(p.hi, p.lo + (x.hi * y.lo + x.lo * y.hi));
}

inline DoubleDouble multiply(DoubleDouble x, double y)
{
    const DoubleDouble p = twoProduct(x.hi, y);
    return fastTwoSum(p.hi, p.lo + x.lo * y);
}

// x / y: three quotient digits, each from the remainder of the previous.
inline DoubleDouble divide(DoubleDouble x, DoubleDouble y)
{
    const double q1 = x.hi / y.hi;
    DoubleDouble r = add(x, negate(multiply(y, q1)));
    const double q2 = r.hi / y.hi;
    r = add(r, negate(multiply(y, q2)));
    const double q3 = r.hi / y.hi;
    const DoubleDouble q = fastTwoSum(q1, q2);
    return add(q, {q3, 0.0});
}

// The double nearest hi + lo.
inline double toDouble(DoubleDouble x)
{
    return x.hi + x.lo;
}

} // namespace dsp::math
