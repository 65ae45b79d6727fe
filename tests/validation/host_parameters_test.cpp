#include "tests/support/report_capture.h"
#include "tests/validation/host_block.h"
#include "tests/validation/test_signal.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <memory>

namespace corvex::validation
{
namespace
{

constexpr int kSweepSteps = 32;

// Runs blocks of noise, alternating mono and stereo, and counts output samples
// that are not finite or are subnormal.
class NoiseFeed
{
public:
    explicit NoiseFeed(std::uint32_t seed) : noise(SignalKind::WhiteNoise, seed), shapes(seed + 1) {}

    std::size_t run(CorvexEngine& engine, int blocks)
    {
        std::size_t bad = 0;
        for (int b = 0; b < blocks; ++b)
        {
            const BlockShape shape = shapes.next();
            block.fill(shape, noise, noise);
            block.process(engine, shape);
            bad += block.uncleanOutputSamples(shape);
        }
        return bad;
    }

private:
    TestSignal noise;
    BlockShapes shapes;
    HostBlock block;
};

// Each parameter swept from 0 to 1 and back while audio runs, with the others
// at their defaults and then at their extremes, at a low and a high rate.
TEST(HostParameters, EverySweptParameterKeepsTheOutputClean)
{
    testing::ReportCapture capture;
    NoiseFeed feed(1);
    for (const int sampleRate : {8000, 192000})
        for (const float others : {-1.0f, 0.0f, 1.0f})
        {
            std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
            if (others >= 0.0f)
                for (int id = 0; id < kNumParameters; ++id)
                    engine->setNormalizedValue(id, others);
            engine->setSampleRate(sampleRate);
            for (int id = 0; id < kNumParameters; ++id)
            {
                std::size_t bad = 0;
                for (int step = 0; step <= 2 * kSweepSteps; ++step)
                {
                    const int position = step <= kSweepSteps ? step : 2 * kSweepSteps - step;
                    engine->setNormalizedValue(id, static_cast<float>(position) / kSweepSteps);
                    bad += feed.run(*engine, 2);
                }
                EXPECT_EQ(bad, 0u) << "parameter " << id << " at " << sampleRate << " Hz";
            }
        }
    EXPECT_EQ(capture.count(), 0u);
}

// Values a broken host may send: each is reported once, stored clamped to
// [0, 1], and the audio stays clean.
TEST(HostParameters, OutOfRangeValuesAreReportedClampedAndHarmless)
{
    struct Hostile
    {
        float value;
        float stored;
    };
    const float infinity = std::numeric_limits<float>::infinity();
    const Hostile values[] = {{std::numeric_limits<float>::quiet_NaN(), 0.0f},
                              {infinity, 1.0f},
                              {-infinity, 0.0f},
                              {-1.0f, 0.0f},
                              {1.0000001f, 1.0f},
                              {std::numeric_limits<float>::max(), 1.0f}};
    testing::ReportCapture capture;
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    engine->setSampleRate(44100);
    NoiseFeed feed(2);
    std::size_t bad = 0;
    for (int id = 0; id < kNumParameters; ++id)
        for (const Hostile& hostile : values)
        {
            capture.clear();
            engine->setNormalizedValue(id, hostile.value);
            EXPECT_EQ(capture.count(), 1u) << "parameter " << id << " value " << hostile.value;
            EXPECT_EQ(engine->getNormalizedValue(id), hostile.stored) << "parameter " << id;
            bad += feed.run(*engine, 3);
        }
    EXPECT_EQ(bad, 0u);
}

// A rejected rate between blocks changes nothing: the latency stays and the
// audio goes on cleanly.
TEST(HostParameters, RejectedSampleRatesBetweenBlocksKeepTheEngineRunning)
{
    testing::ReportCapture capture;
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    engine->setSampleRate(88200);
    NoiseFeed feed(3);
    std::size_t bad = feed.run(*engine, 20);
    for (const int sampleRate : {0, -1, 192001, INT_MIN, INT_MAX})
    {
        capture.clear();
        engine->setSampleRate(sampleRate);
        EXPECT_EQ(capture.count(), 1u) << sampleRate;
        EXPECT_EQ(engine->getLatencySamples(), 441);
        bad += feed.run(*engine, 20);
    }
    EXPECT_EQ(bad, 0u);
}

} // namespace
} // namespace corvex::validation
