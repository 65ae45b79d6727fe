#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace corvex::plugin
{

// Lowest level a meter shows: silence reads this rather than minus infinity.
inline constexpr float kMeterFloorDb = -120.0f;
// Highest level the meters advertise; louder signals still read their true level.
inline constexpr float kMeterCeilingDb = 24.0f;

// A linear meter value of the engine (a gain or a peak) in decibels, never below
// the floor; a value that is not a number also reads the floor.
inline float meterLevelDb(float linear)
{
    const float floorLinear = 1.0e-6f; // kMeterFloorDb as a linear value
    return 20.0f * std::log10(std::max(floorLinear, linear));
}

// A meter's reading as hosts show it: "-12.3 dB".
inline std::string meterText(float levelDb)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dB", levelDb == 0.0f ? 0.0f : levelDb);
    return text;
}

} // namespace corvex::plugin
