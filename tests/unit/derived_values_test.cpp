#include "libraries/dsp/filter_design/db_to_gain.h"
#include "model/corvex_modelengine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

// Values derived from the parameters, worked out from their formulas, for the
// settings that the reference recording does not reach.
namespace
{

using corvex::CorvexPrivateEngine;
using corvex::ParameterSnapshot;
using dsp::dbToGain;

ParameterSnapshot published(CorvexPrivateEngine& engine)
{
    ParameterSnapshot snapshot;
    return engine.copyPublishedSnapshot(snapshot), snapshot;
}

// What, the rate, the values set after it in this order, a field and its value.
using DerivedCase = std::tuple<const char*, int, std::vector<std::pair<int, float>>, std::function<double(const ParameterSnapshot&)>, double>;

TEST(DerivedValues, WorkedOutFromTheirFormulas)
{
    using S = const ParameterSnapshot&;
    const DerivedCase cases[] = {
        {"defaults: floor", 48000, {}, [](S s) { return s.gainFloor; }, dbToGain(-100.0)},
        {"warp -5 ms: delay", 48000, {{8, 0.0f}}, [](S s) { return s.sideChainDelaySamples; }, 0},
        {"warp -5 ms: lead", 48000, {{8, 0.0f}}, [](S s) { return s.warpLeadSamples; }, 240},
        {"warp +10 ms: delay", 48000, {{8, 1.0f}}, [](S s) { return s.sideChainDelaySamples; }, 720},
        {"warp +10 ms: lead", 48000, {{8, 1.0f}}, [](S s) { return s.warpLeadSamples; }, 1},
        {"44.1 kHz: latency truncates", 44100, {}, [](S s) { return s.latencySamples; }, 220},
        {"44.1 kHz warp -2.5 ms: lead", 44100, {{8, 0.25f}}, [](S s) { return s.warpLeadSamples; }, 110},
        {"44.1 kHz warp -2.5 ms: delay", 44100, {{8, 0.25f}}, [](S s) { return s.sideChainDelaySamples; }, 110},
        {"range 0 dB", 44100, {{16, 1.0f}}, [](S s) { return s.gainFloor; }, 1.0},
        {"listen at 0.5", 48000, {{19, 0.5f}}, [](S s) { return s.listenMix; }, 1.0},
        {"listen below 0.5", 48000, {{19, std::nextafter(0.5f, 0.0f)}}, [](S s) { return s.listenMix; }, 0.0},
        {"effect at 0.5 is off", 48000, {{0, 0.5f}}, [](S s) { return s.effectEnabled; }, 0},
        {"fast corner: ratio factor", 48000, {{3, 1.0f}, {4, 1.0f}}, [](S s) { return s.ratioFactor; }, 4.0 * 300.0 - 1.0},
        {"fast corner: attack", 48000, {{3, 1.0f}, {4, 1.0f}}, [](S s) { return s.ballisticsCoefficients[0]; },
         1.0 - std::exp(-1000.0 / (1.9 * 48000.0))},
        {"attack between columns", 48000, {{3, 0.25f}, {4, 0.0f}, {5, 0.0f}}, [](S s) { return s.ratioFactor; },
         (0.5 * 10.0 + 0.5 * 0.8) * 300.0 - 1.0},
        {"All: mono threshold", 48000, {{3, 1.0f}, {4, 1.0f}, {5, 1.0f}}, [](S s) { return s.detectorGains[0]; },
         dbToGain(-24.5) * 19999.0 * dbToGain(-2.0)},
        {"M only: side level", 48000, {{1, 0.9f}, {7, 0.7f}}, [](S s) { return s.inputGainTargets[2]; }, 0.158489},
        {"M only: side threshold", 48000, {{7, 0.7f}}, [](S s) { return s.detectorGains[2]; }, 100000.0},
    };
    for (const auto& [what, rate, values, field, expected] : cases)
    {
        CorvexPrivateEngine engine;
        engine.setSampleRate(rate);
        for (const auto& [id, value] : values)
            engine.setNormalizedValue(id, value);
        EXPECT_EQ(field(published(engine)), expected) << what;
    }
}

// Resetting the values publishes nothing: the audio keeps the last settings until the next change.
TEST(DerivedValues, AResetPublishesNothing)
{
    CorvexPrivateEngine engine;
    engine.setSampleRate(48000);
    engine.setNormalizedValue(kParamOutputGain, 0.9f);
    const ParameterSnapshot before = published(engine);
    engine.resetParameters();
    const ParameterSnapshot after = published(engine);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    engine.setNormalizedValue(kParamDryWet, 1.0f);
    EXPECT_EQ(published(engine).outputGainTargets[0], 1.0) << "the next update reads the restored values";
}

} // namespace
