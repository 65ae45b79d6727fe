#pragma once

namespace corvex::host
{

// The lowest level written or shown, in dB; silence reads as this instead of minus infinity.
inline constexpr double kLevelFloorDb = -120.0;

// 20·log10 of a linear level or gain, never below kLevelFloorDb.
double levelDb(double linear);

} // namespace corvex::host
