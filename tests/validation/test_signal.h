#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace corvex::validation
{

// The kinds of input a demanding host (or a broken one) feeds an engine.
enum class SignalKind
{
    Silence,
    Dc,
    FullScaleSquare,
    WhiteNoise,
    Denormal,
    LargestFinite,
    NotANumber,
    Infinity,
};

inline constexpr SignalKind kAllSignalKinds[] = {
    SignalKind::Silence,  SignalKind::Dc,            SignalKind::FullScaleSquare, SignalKind::WhiteNoise,
    SignalKind::Denormal, SignalKind::LargestFinite, SignalKind::NotANumber,      SignalKind::Infinity,
};

std::string signalName(SignalKind kind);

// An endless stream of one signal kind; equal seeds give equal streams.
class TestSignal
{
public:
    TestSignal(SignalKind kind, std::uint32_t seed);

    float next();

private:
    SignalKind kind;
    std::mt19937 random;
    std::uint64_t sampleIndex = 0;
};

} // namespace corvex::validation
