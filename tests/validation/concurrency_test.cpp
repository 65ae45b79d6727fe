// One audio thread streaming while two control threads change, reset and read
// everything, for CORVEX_STRESS_SECONDS (the thread-sanitizer stage runs
// longer) or half a second. Afterwards the engine's two snapshot buffers agree,
// and re-applying the final values gives exactly the snapshot a fresh engine
// derives from them: no update was lost or torn.
#include "model/corvex_modelengine.h"
#include "tests/support/engine_driver.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace corvex::validation
{
namespace
{

TEST(EngineConcurrency, AudioThreadAndTwoControlThreadsShareTheEngineSafely)
{
    testing::ReportCapture capture;
    auto engine = std::make_unique<CorvexPrivateEngine>();
    engine->setSampleRate(88200);
    std::atomic<bool> stop{false};
    std::uint64_t counts[3] = {}, bad[3] = {};
    // The host's audio thread: blocks of noise of random size, mono and stereo, every side-chain layout.
    std::thread audio([&] {
        TestSignal noise(SignalKind::WhiteNoise, 1);
        BlockShapes shapes(2);
        HostBlock block;
        for (; !stop.load(std::memory_order_relaxed); ++counts[0])
        {
            const BlockShape shape = shapes.next();
            block.fill(shape, noise, noise);
            block.process(*engine, shape);
            bad[0] += block.uncleanOutputSamples(shape);
        }
    });
    // Host control threads: parameter changes, now and then a reset, and reads of every meter, value and text.
    const auto control = [&](int thread) {
        std::mt19937 random(10 + thread);
        char text[32];
        for (; !stop.load(std::memory_order_relaxed); ++counts[thread])
        {
            const int id = std::uniform_int_distribution<int>(0, kNumParameters - 1)(random);
            const float value = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
            const int choice = std::uniform_int_distribution<int>(0, 9)(random);
            if (choice == 0)
                engine->resetParameters();
            else if (choice < 5)
                engine->setNormalizedValue(id, value);
            for (int meter = 0; meter < kNumMeters && choice >= 5; ++meter)
                bad[thread] += !(std::isfinite(engine->getMeterValue(meter)) && engine->getMeterValue(meter) >= 0.0f);
            for (int other = 0; other < kNumParameters && choice >= 5; ++other)
            {
                const float stored = engine->getNormalizedValue(other);
                bad[thread] += !(stored >= 0.0f && stored <= 1.0f) + std::isnan(engine->getCurrentDisplayValue(other));
                engine->getCurrentValueText(other, text, sizeof text);
                engine->getValueText(other, value, text, sizeof text);
                bad[thread] += (text[sizeof text - 1] != '\0') + (engine->getLatencySamples() != 441);
            }
        }
    };
    std::thread first(control, 1), second(control, 2);
    const char* seconds = std::getenv("CORVEX_STRESS_SECONDS");
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds ? std::strtod(seconds, nullptr) : 0.5));
    stop.store(true);
    for (std::thread* thread : {&audio, &first, &second})
        thread->join();

    for (int thread = 0; thread < 3; ++thread)
    {
        EXPECT_GT(counts[thread], 0u) << "thread " << thread;
        EXPECT_EQ(bad[thread], 0u) << "thread " << thread;
    }
    EXPECT_EQ(capture.count(), 0u);
    EXPECT_TRUE(engine->snapshotBuffersAgree());
    CorvexPrivateEngine fresh;
    fresh.setSampleRate(88200);
    for (int id = 0; id < kNumParameters; ++id)
        for (CorvexPrivateEngine* e : {engine.get(), &fresh})
            e->setNormalizedValue(id, engine->getNormalizedValue(id));
    ParameterSnapshot stressed, expected;
    engine->copyPublishedSnapshot(stressed);
    fresh.copyPublishedSnapshot(expected);
    EXPECT_EQ(std::memcmp(&stressed, &expected, sizeof stressed), 0);
}

} // namespace
} // namespace corvex::validation
