#pragma once

#include "corvex_engine.h"

#include <array>
#include <cstdint>
#include <span>

namespace corvex
{

inline constexpr int kParameterCount = kNumParameters;

// Defaults in identifier order; 0.1 and 0.3 are the nearest floats.
inline constexpr std::array<float, kParameterCount> kDefaultNormalizedValues = {
    1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.1f, 1.0f, 0.3f, 0.5f, 0.0f,
    0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 1.0f, 0.0f, 0.5f, 0.0f, 0.0f};

inline constexpr std::array<const char*, kParameterCount> kParameterNames = {
    "Enable Effect", "Input Gain", "Output Gain", "Attack Time", "Release Time",
    "Ratio", "Dry / Wet", "SC Detection Mode", "SC Time Warp", "SC EQ On",
    "SC EQ HPF On", "SC EQ LPF On", "SC EQ HPF Freq", "SC EQ Bell Freq", "SC EQ Bell Gain",
    "SC EQ LPF Freq", "GR Range", "External SC Gain", "External SC", "SC Listen"};

inline constexpr std::array<const char*, kParameterCount> kParameterUnits = {
    "", "dB", "dB", "", "", "", "%", "", "ms", "",
    "", "", "Hz", "Hz", "dB", "Hz", "dB", "dB", "", ""};

inline constexpr std::array<const char*, 2> kSwitchTexts = {"Off", "On"};
inline constexpr std::array<const char*, 5> kRatioTexts = {"4", "8", "12", "20", "All"};
inline constexpr std::array<const char*, 5> kDetectionModeTexts = {"Reversed", "Dual", "Linked", "M only", "S only"};

inline constexpr int kRatioAll = 4;

// Detection modes, the choice index of "SC Detection Mode".
enum DetectionMode : int
{
    kModeReversed = 0,
    kModeDual = 1,
    kModeLinked = 2,
    kModeMidOnly = 3,
    kModeSideOnly = 4
};

bool isValidParameterId(std::int32_t id);
bool isSwitchParameter(std::int32_t id);

// Choice index: the float product v * 5 truncated toward zero, limited to 0..4.
int choiceIndex(float v);
// Switch index: the float sum v + v truncated toward zero, limited to 0..1.
int switchIndex(float v);
inline bool isSwitchOn(float v)
{
    return switchIndex(v) >= 1;
}

// The value text of v for a switch or choice parameter; empty for all others.
const char* valueText(std::int32_t id, float v);

// The number shown to the user for v (not clamped); 0 for switches, choices and unknown ids.
float displayValue(std::int32_t id, float v);

// Logarithmic frequency ranges, their bounds held as natural logarithms.
struct LogRange
{
    double lnMin;
    double lnMax;
};
inline constexpr LogRange kHighPassRange{2.995732273553991, 7.090076835776092}; // 20 to 1200 Hz
inline constexpr LogRange kBellRange{3.4011973816621555, 9.680344001221918};    // 30 to 16000 Hz
inline constexpr LogRange kLowPassRange{8.006367567650246, 9.903487552536127};  // 3000 to 20000 Hz

struct LinearRange
{
    double min;
    double max;
};
inline constexpr LinearRange kBellGainRange{-12.0, 12.0};
inline constexpr LinearRange kDecibelRange{-24.0, 24.0}; // input, output and external side-chain gain

double mapLogRange(const LogRange& range, double v);
double mapLinearRange(const LinearRange& range, double v);

} // namespace corvex
