#include "libraries/dsp/math/half_pi_reduction.h"

#include "libraries/dsp/math/math_tables.h"

#include <bit>

namespace dsp::math
{

namespace
{

// Words of 2/pi multiplied at a time; the product keeps two more.
constexpr int kWindowWords = 10;
constexpr int kProductWords = kWindowWords + 2;

// The 32 bits from bit `position` (>= 0) up of a little-endian array of words.
std::uint64_t bitsAt(const std::uint32_t* words, int position, int count)
{
    const int word = position >> 5;
    const int shift = position & 31;
    std::uint64_t value = 0;
    for (int i = 1; i >= 0; --i)
    {
        value <<= 32;
        if (word + i >= 0 && word + i < count)
            value |= words[word + i];
    }
    return (value >> shift) & 0xffffffffu;
}

} // namespace

HalfPiReduction reduceByHalfPi(double x)
{
    using namespace tables;
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const bool negative = (bits >> 63) != 0;
    const int biasedExponent = static_cast<int>((bits >> 52) & 0x7ff);
    // |x| = M 2^E with M an integer below 2^53.
    std::uint64_t mantissa = bits & 0x000fffffffffffff;
    int exponent = biasedExponent - 1075;
    if (biasedExponent != 0)
        mantissa |= std::uint64_t{1} << 52;
    else
        exponent = -1074;
    if (mantissa == 0)
        return {0, {x, 0.0}};

    // x 2/pi = M sum_w kTwoOverPi[w] 2^(E - 32 (w + 1)). Word w's term is a
    // multiple of 4 when E - 32 (w + 1) >= 2: those words are skipped.
    const int firstWord = exponent >= 34 ? (exponent - 34) / 32 + 1 : 0;
    // product[i] has weight 2^(32 i + base) with base = E - 32 (firstWord + kWindowWords).
    std::uint32_t product[kProductWords] = {};
    const std::uint64_t mantissaWords[2] = {mantissa & 0xffffffffu, mantissa >> 32};
    for (int t = 0; t < kWindowWords; ++t)
    {
        const std::uint64_t word = kTwoOverPi[firstWord + t];
        // Word firstWord + t sits at product index kWindowWords - 1 - t.
        std::uint64_t carry = 0;
        int i = kWindowWords - 1 - t;
        for (int limb = 0; limb < 2; ++limb, ++i)
        {
            const std::uint64_t sum = mantissaWords[limb] * word + product[i] + carry;
            product[i] = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
        for (; carry != 0 && i < kProductWords; ++i)
        {
            const std::uint64_t sum = product[i] + carry;
            product[i] = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
    }

    // The units bit sits at position -base.
    const int unitPosition = 32 * (firstWord + kWindowWords) - exponent;
    std::uint32_t quadrant = static_cast<std::uint32_t>(bitsAt(product, unitPosition, kProductWords)) & 3u;
    // Six words of fraction below the units bit, most significant first.
    std::uint32_t fraction[6];
    for (int i = 0; i < 6; ++i)
        fraction[i] = static_cast<std::uint32_t>(bitsAt(product, unitPosition - 32 * (i + 1), kProductWords));
    // A fraction of one half or more: round q up, fraction - 1 (two's complement).
    const bool roundUp = (fraction[0] >> 31) != 0;
    if (roundUp)
    {
        ++quadrant;
        std::uint64_t borrow = 1;
        for (int i = 5; i >= 0; --i)
        {
            const std::uint64_t value = static_cast<std::uint64_t>(static_cast<std::uint32_t>(~fraction[i])) + borrow;
            fraction[i] = static_cast<std::uint32_t>(value);
            borrow = value >> 32;
        }
    }
    // The magnitude of the fraction as a double-double, least significant
    // words first (each word converts exactly).
    DoubleDouble f = {0.0, 0.0};
    double weight = 0x1p-192;
    for (int i = 5; i >= 0; --i, weight *= 0x1p32)
        f = add(f, {static_cast<double>(fraction[i]) * weight, 0.0});
    if (roundUp)
        f = negate(f);

    DoubleDouble r = multiply(f, DoubleDouble{kHalfPi[0], kHalfPi[1]});
    if (negative)
    {
        r = negate(r);
        quadrant = 0u - quadrant;
    }
    return {quadrant & 3u, r};
}

} // namespace dsp::math
