#include "model/corvex_modelengine.h"
#include "tests/support/report_capture.h"
#include "tests/validation/host_block.h"
#include "tests/validation/test_signal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>

namespace corvex::validation
{
namespace
{

// The run time: CORVEX_STRESS_SECONDS when set (the thread-sanitizer stage
// runs longer), otherwise a short run for the ordinary test suite.
std::chrono::duration<double> stressDuration()
{
    if (const char* seconds = std::getenv("CORVEX_STRESS_SECONDS"))
        return std::chrono::duration<double>(std::strtod(seconds, nullptr));
    return std::chrono::duration<double>(0.5);
}

struct AudioResult
{
    std::uint64_t blocks = 0;
    std::uint64_t badSamples = 0;
};

// The host's audio thread: blocks of noise of random size, mono and stereo,
// every side-chain layout, until told to stop.
AudioResult streamAudio(CorvexEngine& engine, const std::atomic<bool>& stop)
{
    AudioResult result;
    TestSignal noise(SignalKind::WhiteNoise, 1);
    BlockShapes shapes(2);
    HostBlock block;
    while (!stop.load(std::memory_order_relaxed))
    {
        const BlockShape shape = shapes.next();
        block.fill(shape, noise, noise);
        block.process(engine, shape);
        result.badSamples += block.uncleanOutputSamples(shape);
        ++result.blocks;
    }
    return result;
}

struct ControlResult
{
    std::uint64_t operations = 0;
    std::uint64_t badReadings = 0;
};

// A host control thread: random parameter changes, now and then a reset of
// every parameter, and reads of every meter, value and text in between.
ControlResult controlEngine(CorvexEngine& engine, const std::atomic<bool>& stop, std::uint32_t seed)
{
    ControlResult result;
    std::mt19937 random(seed);
    char text[32];
    while (!stop.load(std::memory_order_relaxed))
    {
        const int id = std::uniform_int_distribution<int>(0, kNumParameters - 1)(random);
        const float value = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
        switch (std::uniform_int_distribution<int>(0, 9)(random))
        {
        case 0:
            engine.resetParameters();
            break;
        case 1:
        case 2:
        case 3:
        case 4:
            engine.setNormalizedValue(id, value);
            break;
        default:
            for (int meter = 0; meter < kNumMeters; ++meter)
            {
                const float level = engine.getMeterValue(meter);
                result.badReadings += std::isfinite(level) && level >= 0.0f ? 0 : 1;
            }
            for (int other = 0; other < kNumParameters; ++other)
            {
                const float stored = engine.getNormalizedValue(other);
                result.badReadings += stored >= 0.0f && stored <= 1.0f ? 0 : 1;
                result.badReadings += std::isnan(engine.getCurrentDisplayValue(other)) ? 1 : 0;
                result.badReadings += std::isnan(engine.getDisplayValue(other, value)) ? 1 : 0;
                engine.getCurrentValueText(other, text, sizeof text);
                engine.getValueText(other, value, text, sizeof text);
                engine.getParameterName(other, text, sizeof text);
                engine.getParameterUnit(other, text, sizeof text);
                result.badReadings += text[sizeof text - 1] == '\0' ? 0 : 1;
            }
            result.badReadings += engine.getLatencySamples() == 441 ? 0 : 1;
            break;
        }
        ++result.operations;
    }
    return result;
}

// One audio thread streaming while two control threads change, reset and read
// everything, for a bounded time. Afterwards the engine's two snapshot buffers
// agree, and re-applying the final values gives exactly the snapshot a fresh
// engine derives from them: no update was lost or torn.
TEST(EngineConcurrency, AudioThreadAndTwoControlThreadsShareTheEngineSafely)
{
    testing::ReportCapture capture;
    auto engine = std::make_unique<CorvexPrivateEngine>();
    engine->setSampleRate(88200);
    std::atomic<bool> stop{false};
    AudioResult audio;
    ControlResult control[2];

    std::thread audioThread([&] { audio = streamAudio(*engine, stop); });
    std::thread firstControl([&] { control[0] = controlEngine(*engine, stop, 11); });
    std::thread secondControl([&] { control[1] = controlEngine(*engine, stop, 12); });
    std::this_thread::sleep_for(stressDuration());
    stop.store(true);
    audioThread.join();
    firstControl.join();
    secondControl.join();

    EXPECT_GT(audio.blocks, 0u);
    EXPECT_EQ(audio.badSamples, 0u);
    for (const ControlResult& result : control)
    {
        EXPECT_GT(result.operations, 0u);
        EXPECT_EQ(result.badReadings, 0u);
    }
    EXPECT_EQ(capture.count(), 0u);
    EXPECT_TRUE(engine->snapshotBuffersAgree());

    CorvexPrivateEngine fresh;
    fresh.setSampleRate(88200);
    for (int id = 0; id < kNumParameters; ++id)
    {
        const float value = engine->getNormalizedValue(id);
        engine->setNormalizedValue(id, value);
        fresh.setNormalizedValue(id, value);
    }
    ParameterSnapshot stressed;
    ParameterSnapshot expected;
    engine->copyPublishedSnapshot(stressed);
    fresh.copyPublishedSnapshot(expected);
    EXPECT_EQ(std::memcmp(&stressed, &expected, sizeof stressed), 0);
    std::printf("[ counts   ] %llu blocks, %llu and %llu control operations\n",
                static_cast<unsigned long long>(audio.blocks), static_cast<unsigned long long>(control[0].operations),
                static_cast<unsigned long long>(control[1].operations));
}

} // namespace
} // namespace corvex::validation
