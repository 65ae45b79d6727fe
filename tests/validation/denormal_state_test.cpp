#include "tests/validation/host_block.h"
#include "tests/validation/test_signal.h"

#include <gtest/gtest.h>

#include <immintrin.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <thread>

namespace corvex::validation
{
namespace
{

constexpr std::uint32_t kFlushToZero = 0x8000;
constexpr std::uint32_t kDenormalsAreZero = 0x0040;

// Runs the work on a new thread whose floating-point unit keeps denormals, as
// a host's audio or interface thread may.
template <typename Work>
void onThreadKeepingDenormals(Work work)
{
    std::thread thread([&work] {
        _mm_setcsr(_mm_getcsr() & ~(kFlushToZero | kDenormalsAreZero));
        work();
    });
    thread.join();
}

TEST(DenormalState, ProcessLeavesFlushToZeroAndDenormalsAreZeroSetOnTheCallingThread)
{
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    engine->setSampleRate(48000);
    std::uint32_t before = 0;
    std::uint32_t after = 0;
    float halfSmallestNormal = 0.0f;
    onThreadKeepingDenormals([&] {
        volatile float smallestNormal = std::numeric_limits<float>::min();
        halfSmallestNormal = smallestNormal * 0.5f;
        before = _mm_getcsr();
        HostBlock block;
        block.process(*engine, BlockShape{2, 32, SideChainLayout::Absent});
        after = _mm_getcsr();
    });
    ASSERT_TRUE(isSubnormal(halfSmallestNormal)) << "the thread must start out keeping denormals";
    EXPECT_EQ(before & (kFlushToZero | kDenormalsAreZero), 0u);
    EXPECT_EQ(after & kFlushToZero, kFlushToZero);
    EXPECT_EQ(after & kDenormalsAreZero, kDenormalsAreZero);
}

// Subnormal input on the main and side-chain inputs, with the effect on and
// off: the engine reads it as zero, so the input meters show exactly 0.0 and
// no output sample is subnormal; the meters read from another thread that keeps
// denormals are not subnormal either.
TEST(DenormalState, DenormalInputGivesNoDenormalOutputOrMeter)
{
    for (const float effect : {1.0f, 0.0f})
    {
        std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
        engine->setNormalizedValue(kParamEnableEffect, effect);
        engine->setNormalizedValue(kParamInputGain, 1.0f);
        engine->setNormalizedValue(kParamOutputGain, 1.0f);
        engine->setSampleRate(48000);
        std::size_t badSamples = 0;
        std::size_t levelledMeters = 0;
        onThreadKeepingDenormals([&] {
            TestSignal denormals(SignalKind::Denormal, 1);
            BlockShapes shapes(2);
            HostBlock block;
            for (int b = 0; b < 400; ++b)
            {
                const BlockShape shape = shapes.next();
                block.fill(shape, denormals, denormals);
                block.process(*engine, shape);
                badSamples += block.uncleanOutputSamples(shape);
                levelledMeters += engine->getMeterValue(kMeterInput0) != 0.0f;
                levelledMeters += engine->getMeterValue(kMeterInput1) != 0.0f;
            }
        });
        std::size_t subnormalMeters = 0;
        onThreadKeepingDenormals([&] {
            for (int meter = 0; meter < kNumMeters; ++meter)
                subnormalMeters += isSubnormal(engine->getMeterValue(meter)) ? 1 : 0;
        });
        EXPECT_EQ(badSamples, 0u) << "effect " << effect;
        EXPECT_EQ(levelledMeters, 0u) << "effect " << effect;
        EXPECT_EQ(subnormalMeters, 0u) << "effect " << effect;
    }
}

} // namespace
} // namespace corvex::validation
