// The audio path allocates nothing and takes the lock exactly once per block.
// The executable is linked with --wrap for the allocation and lock functions
// (see CMakeLists.txt) and links the engine statically, so that the engine's
// calls go through the counting wraps below (the sanitizers' allocator stays in
// place); operator new is replaced so that allocations through the standard
// library are counted too.
#include "tests/support/audio_thread_call_counts.h"
#include "tests/support/engine_driver.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

using corvex::testing::CallCounts;
using corvex::testing::countCall;
using corvex::testing::countCalls;

extern "C" {
void* __real_malloc(std::size_t);
void* __real_calloc(std::size_t, std::size_t);
void* __real_realloc(void*, std::size_t);
void* __real_aligned_alloc(std::size_t, std::size_t);
int __real_posix_memalign(void**, std::size_t, std::size_t);
void __real_free(void*);
int __real_pthread_mutex_lock(pthread_mutex_t*);
int __real_pthread_mutex_trylock(pthread_mutex_t*);
// clang-format off
void* __wrap_malloc(std::size_t size) { countCall(&CallCounts::allocations); return __real_malloc(size); }
void* __wrap_calloc(std::size_t n, std::size_t size) { countCall(&CallCounts::allocations); return __real_calloc(n, size); }
void* __wrap_realloc(void* p, std::size_t size) { countCall(&CallCounts::allocations); if (p) countCall(&CallCounts::deallocations); return __real_realloc(p, size); }
void* __wrap_aligned_alloc(std::size_t a, std::size_t size) { countCall(&CallCounts::allocations); return __real_aligned_alloc(a, size); }
int __wrap_posix_memalign(void** p, std::size_t a, std::size_t size) { countCall(&CallCounts::allocations); return __real_posix_memalign(p, a, size); }
void __wrap_free(void* p) { if (p) countCall(&CallCounts::deallocations); __real_free(p); }
int __wrap_pthread_mutex_lock(pthread_mutex_t* m) { countCall(&CallCounts::locks); return __real_pthread_mutex_lock(m); }
int __wrap_pthread_mutex_trylock(pthread_mutex_t* m) { countCall(&CallCounts::locks); return __real_pthread_mutex_trylock(m); }
}
// The other forms of the standard library's operator new and delete forward to these four.
void* operator new(std::size_t size) { if (void* p = std::malloc(size ? size : 1)) return p; throw std::bad_alloc(); }
void* operator new(std::size_t size, std::align_val_t alignment)
{
    const auto a = static_cast<std::size_t>(alignment);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) // a whole number of alignments, as C requires
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
// clang-format on

namespace corvex::validation
{
namespace
{

// Without this the test below could pass with the wraps missing.
TEST(RealtimeSafety, CountersSeeTheEngineAllocateFreeAndLock)
{
    std::unique_ptr<CorvexEngine> engine;
    const CallCounts constructed = countCalls([&] { engine.reset(createCorvexEngine()); });
    EXPECT_GE(constructed.allocations, 5u); // the engine, its state and three snapshot buffers
    EXPECT_EQ(countCalls([&] { engine->setNormalizedValue(kParamRatio, 0.5f); }).locks, 1u);
    EXPECT_GE(countCalls([&] { engine.reset(); }).deallocations, 5u);
    const CallCounts library = countCalls([] { std::string(99, 'x').swap(*std::make_unique<std::string>()); });
    EXPECT_EQ(library.allocations, 2u); // through operator new
    EXPECT_EQ(library.deallocations, 2u);
}

// Every rate; each parameter alone at each choice and at its top, then all at
// either extreme; the effect on, fading out, off on the light path and fading
// in; mono and stereo, every side-chain layout: process() takes the lock once,
// allocates nothing and gives clean output, and reading the meters neither
// locks nor allocates.
TEST(RealtimeSafety, AudioPathAllocatesNothingAndLocksOncePerBlock)
{
    std::vector<std::vector<std::pair<int, float>>> configurations(2);
    for (int id = 0; id < kNumParameters; ++id)
    {
        configurations[0].push_back({id, 0.0f});
        configurations[1].push_back({id, 1.0f});
        for (const float value : {0.1f, 0.3f, 0.5f, 0.7f, 0.9f, 1.0f})
            configurations.push_back({{id, value}});
    }
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    TestSignal noise(SignalKind::WhiteNoise, 1);
    BlockShapes shapes(2);
    HostBlock block;
    std::uint64_t calls = 0, badCalls = 0;
    const auto run = [&](int blocks) {
        for (int b = 0; b < blocks; ++b, ++calls)
        {
            const BlockShape shape = shapes.next();
            block.fill(shape, noise, noise);
            const CallCounts processing = countCalls([&] { block.process(*engine, shape); });
            const CallCounts reading = countCalls([&] { // the meters, read by hosts on the audio thread
                for (int meter = 0; meter < kNumMeters; ++meter)
                    engine->getMeterValue(meter);
            });
            badCalls += processing.locks != 1 || processing.allocations + processing.deallocations > 0 ||
                        reading.locks + reading.allocations + reading.deallocations > 0 ||
                        block.uncleanOutputSamples(shape) > 0;
        }
    };
    for (const RateAndLatency& rate : kHostSampleRates)
    {
        SCOPED_TRACE(rate.sampleRate);
        for (std::size_t index = 0; index < configurations.size(); ++index)
        {
            engine->resetParameters();
            for (const auto& [id, value] : configurations[index])
                engine->setNormalizedValue(id, value);
            engine->setSampleRate(rate.sampleRate);
            run(8);
            engine->setNormalizedValue(kParamEnableEffect, 0.0f);
            run(index == 1 ? 320 : 8); // long enough for the fade (9206 samples) to end and the light path to run
            engine->setNormalizedValue(kParamEnableEffect, 1.0f);
            run(8);
            EXPECT_EQ(badCalls, 0u) << "configuration " << index;
            badCalls = 0;
        }
    }
    EXPECT_GT(calls, 10000u);
}

} // namespace
} // namespace corvex::validation
