#include "libraries/host/display_value_inversion.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace corvex::host
{

namespace
{

float displayAt(CorvexEngine& engine, int parameterId, std::uint32_t normalizedBits)
{
    return engine.getDisplayValue(parameterId, std::bit_cast<float>(normalizedBits));
}

} // namespace

std::optional<float> normalizedFromDisplayValue(CorvexEngine& engine, int parameterId, float displayValue)
{
    // Non-negative floats order like their bit patterns: bisect on the bits.
    std::uint32_t lowBits = 0;
    std::uint32_t highBits = std::bit_cast<std::uint32_t>(1.0f);
    const float displayAtZero = displayAt(engine, parameterId, lowBits);
    const float displayAtOne = displayAt(engine, parameterId, highBits);
    if (std::isnan(displayValue) || displayAtZero == displayAtOne)
        return std::nullopt;

    // Orient the mapping so that it rises, then find the first value reaching the target.
    const float direction = displayAtOne > displayAtZero ? 1.0f : -1.0f;
    const float target = direction * displayValue;
    if (target < direction * displayAtZero || target > direction * displayAtOne)
        return std::nullopt;
    if (direction * displayAtZero >= target)
        return 0.0f;
    while (highBits - lowBits > 1) // invariant: display(low) < target <= display(high)
    {
        const std::uint32_t middleBits = lowBits + (highBits - lowBits) / 2;
        if (direction * displayAt(engine, parameterId, middleBits) >= target)
            highBits = middleBits;
        else
            lowBits = middleBits;
    }

    const float errorAbove = direction * displayAt(engine, parameterId, highBits) - target;
    const float errorBelow = target - direction * displayAt(engine, parameterId, lowBits);
    return std::bit_cast<float>(errorBelow < errorAbove ? lowBits : highBits);
}

} // namespace corvex::host
