#include "tests/validation/audio_path_counters.h"
#include "tests/validation/host_block.h"
#include "tests/validation/test_signal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace corvex::validation
{
namespace
{

struct Setting
{
    int id;
    float value;
};

using Configuration = std::vector<Setting>;

constexpr int kBlocksPerConfiguration = 24;
// Long enough for a fade of "Enable Effect" to end (9206 samples) and the
// light path to run.
constexpr int kBlocksWithEffectOff = 320;

// Every ratio, every detection mode and every switch on its own, the
// continuous parameters at their extremes, and random mixtures.
std::vector<Configuration> everyModeAndSwitch()
{
    std::vector<Configuration> configurations{{}};
    for (int index = 0; index < 5; ++index)
    {
        const float value = 0.2f * static_cast<float>(index) + 0.1f;
        configurations.push_back({{kParamRatio, value}});
        configurations.push_back({{kParamSideChainDetectionMode, value}});
    }
    const int switches[] = {kParamSideChainEqOn,   kParamSideChainEqHighPassOn, kParamSideChainEqLowPassOn,
                            kParamExternalSideChain, kParamSideChainListen};
    Configuration allSwitches;
    for (const int id : switches)
    {
        configurations.push_back({{id, 1.0f}});
        allSwitches.push_back({id, 1.0f});
    }
    configurations.push_back(allSwitches);
    for (const float extreme : {0.0f, 1.0f})
    {
        Configuration all;
        for (int id = 1; id < kNumParameters; ++id)
            all.push_back({id, extreme});
        configurations.push_back(all);
    }
    std::mt19937 random(17);
    for (int mixture = 0; mixture < 8; ++mixture)
    {
        Configuration settings;
        for (int id = 0; id < kNumParameters; ++id)
            settings.push_back({id, std::uniform_real_distribution<float>(0.0f, 1.0f)(random)});
        configurations.push_back(settings);
    }
    return configurations;
}

// Runs blocks of noise through the engine the way a host's audio thread
// does: one process() call, then every meter and value read, counting what
// each block allocates, frees and locks.
class AudioThread
{
public:
    explicit AudioThread(CorvexEngine& engine) : engine(engine), noise(SignalKind::WhiteNoise, 1), shapes(2) {}

    void run(int blocks)
    {
        for (int b = 0; b < blocks; ++b)
        {
            const BlockShape shape = shapes.next();
            block.fill(shape, noise, noise);

            CountingScope scope;
            block.process(engine, shape);
            const std::uint64_t processLocks = scope.counts().locks;
            readEverything();
            const AudioPathCounts counts = scope.counts();

            ++processCalls;
            callsNotLockingOnce += processLocks == 1 ? 0 : 1;
            total.allocations += counts.allocations;
            total.deallocations += counts.deallocations;
            total.locks += counts.locks;
        }
    }

    std::uint64_t processCalls = 0;
    std::uint64_t callsNotLockingOnce = 0;
    AudioPathCounts total;

private:
    void readEverything()
    {
        char text[16];
        float sum = 0.0f;
        for (int meter = 0; meter < kNumMeters; ++meter)
            sum += engine.getMeterValue(meter);
        for (int id = 0; id < kNumParameters; ++id)
        {
            sum += engine.getNormalizedValue(id);
            sum += engine.getCurrentDisplayValue(id);
            sum += engine.getDisplayValue(id, 0.37f);
            engine.getCurrentValueText(id, text, sizeof text);
            engine.getValueText(id, 0.8f, text, sizeof text);
            engine.getParameterName(id, text, sizeof text);
            engine.getParameterUnit(id, text, sizeof text);
        }
        sum += static_cast<float>(engine.getLatencySamples());
        readings = sum + static_cast<float>(engine.getVersion()[0]);
    }

    CorvexEngine& engine;
    TestSignal noise;
    BlockShapes shapes;
    HostBlock block;
    volatile float readings = 0.0f;
};

// Without this the test below could pass with the wraps missing.
TEST(RealtimeSafety, CountersSeeTheEngineAllocateFreeAndLock)
{
    void* (*volatile allocateBytes)(std::size_t) = std::malloc;
    void (*volatile freeBytes)(void*) = std::free;
    CountingScope scope;
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    const AudioPathCounts constructed = scope.counts();
    engine->setNormalizedValue(kParamRatio, 0.5f);
    const AudioPathCounts set = scope.counts();
    engine.reset();
    freeBytes(allocateBytes(16));
    const AudioPathCounts end = scope.counts();

    EXPECT_GE(constructed.allocations, 5u); // the engine, its state and three snapshot buffers
    EXPECT_EQ(set.locks, constructed.locks + 1);
    EXPECT_GE(end.deallocations, 5u + 1u);
    EXPECT_EQ(end.allocations, constructed.allocations + 1);
}

// Every rate, every mode and switch, the effect fading out and in and the light
// path running, mono and stereo, every side-chain layout: process() takes the
// lock exactly once and allocates nothing, the getters neither lock nor allocate.
TEST(RealtimeSafety, AudioPathAllocatesNothingAndLocksOncePerBlock)
{
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    AudioThread audio(*engine);
    for (const RateAndLatency& rate : kHostSampleRates)
    {
        for (const Configuration& configuration : everyModeAndSwitch())
        {
            engine->resetParameters();
            for (const Setting& setting : configuration)
                engine->setNormalizedValue(setting.id, setting.value);
            engine->setSampleRate(rate.sampleRate);
            audio.run(kBlocksPerConfiguration);
            engine->setNormalizedValue(kParamEnableEffect, 0.0f);
            audio.run(kBlocksPerConfiguration);
        }
        engine->setNormalizedValue(kParamEnableEffect, 0.0f);
        audio.run(kBlocksWithEffectOff);
        engine->setNormalizedValue(kParamEnableEffect, 1.0f);
        audio.run(kBlocksPerConfiguration);
    }

    EXPECT_EQ(audio.total.allocations, 0u);
    EXPECT_EQ(audio.total.deallocations, 0u);
    EXPECT_EQ(audio.callsNotLockingOnce, 0u);
    EXPECT_EQ(audio.total.locks, audio.processCalls);
    std::printf("[ counts   ] %llu process calls: %llu allocations, %llu deallocations, %llu locks\n",
                static_cast<unsigned long long>(audio.processCalls),
                static_cast<unsigned long long>(audio.total.allocations),
                static_cast<unsigned long long>(audio.total.deallocations),
                static_cast<unsigned long long>(audio.total.locks));
}

} // namespace
} // namespace corvex::validation
