#include "tests/validation/test_signal.h"

#include <limits>

namespace corvex::validation
{

namespace
{

// Square waves change sign every 37 samples: long enough to excite the
// detector, short enough to give many edges in a few hundred samples.
constexpr std::uint64_t kHalfPeriodSamples = 37;

float alternating(std::uint64_t sampleIndex, float magnitude)
{
    return (sampleIndex / kHalfPeriodSamples) % 2 == 0 ? magnitude : -magnitude;
}

} // namespace

std::string signalName(SignalKind kind)
{
    switch (kind)
    {
    case SignalKind::Silence:
        return "Silence";
    case SignalKind::Dc:
        return "Dc";
    case SignalKind::FullScaleSquare:
        return "FullScaleSquare";
    case SignalKind::WhiteNoise:
        return "WhiteNoise";
    case SignalKind::Denormal:
        return "Denormal";
    case SignalKind::LargestFinite:
        return "LargestFinite";
    case SignalKind::NotANumber:
        return "NotANumber";
    case SignalKind::Infinity:
        return "Infinity";
    }
    return "Unknown";
}

TestSignal::TestSignal(SignalKind signalKind, std::uint32_t seed) : kind(signalKind), random(seed)
{
}

float TestSignal::next()
{
    const std::uint64_t i = sampleIndex++;
    switch (kind)
    {
    case SignalKind::Silence:
        return 0.0f;
    case SignalKind::Dc:
        return 0.5f;
    case SignalKind::FullScaleSquare:
        return alternating(i, 1.0f);
    case SignalKind::WhiteNoise:
        return std::uniform_real_distribution<float>(-1.0f, 1.0f)(random);
    case SignalKind::Denormal: {
        // Any subnormal magnitude, either sign.
        const auto steps = std::uniform_int_distribution<int>(1, (1 << 23) - 1)(random);
        return alternating(i, static_cast<float>(steps) * std::numeric_limits<float>::denorm_min());
    }
    case SignalKind::LargestFinite:
        return alternating(i, std::numeric_limits<float>::max());
    case SignalKind::NotANumber:
        return std::numeric_limits<float>::quiet_NaN();
    case SignalKind::Infinity:
        return alternating(i, std::numeric_limits<float>::infinity());
    }
    return 0.0f;
}

} // namespace corvex::validation
