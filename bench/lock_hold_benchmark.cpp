// How long process() waits for the engine's mutex while a control thread
// changes parameters as fast as it can, and how long whole process() calls
// take, over a few seconds. Compare with the run without the control thread.
//
// Linked with --wrap=pthread_mutex_trylock and --wrap=pthread_mutex_lock: the
// wait of every lock the audio thread takes inside process() is timed from its
// first attempt, through any spinning, to the moment it holds the lock.
#include "bench/noise_block.h"
#include "corvex_engine.h"

#include <benchmark/benchmark.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

constinit thread_local bool timingLocks = false;
constinit thread_local std::int64_t lockWaitNs = 0;
// Start of an acquisition still in progress (failed attempts so far), or 0.
constinit thread_local std::int64_t attemptStartNs = 0;

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

void acquisitionAttempt(std::int64_t startNs, bool acquired)
{
    if (attemptStartNs == 0)
        attemptStartNs = startNs;
    if (acquired)
    {
        lockWaitNs += nowNs() - attemptStartNs;
        attemptStartNs = 0;
    }
}

} // namespace

extern "C" {
int __real_pthread_mutex_lock(pthread_mutex_t* mutex);
int __real_pthread_mutex_trylock(pthread_mutex_t* mutex);

int __wrap_pthread_mutex_lock(pthread_mutex_t* mutex)
{
    if (!timingLocks)
        return __real_pthread_mutex_lock(mutex);
    const std::int64_t start = nowNs();
    const int result = __real_pthread_mutex_lock(mutex);
    acquisitionAttempt(start, true);
    return result;
}

int __wrap_pthread_mutex_trylock(pthread_mutex_t* mutex)
{
    if (!timingLocks)
        return __real_pthread_mutex_trylock(mutex);
    const std::int64_t start = nowNs();
    const int result = __real_pthread_mutex_trylock(mutex);
    acquisitionAttempt(start, result == 0);
    return result;
}
}

namespace
{

double microseconds(std::int64_t ns)
{
    return static_cast<double>(ns) / 1000.0;
}

// The 99.9th percentile of the sorted samples.
std::int64_t perMille999(const std::vector<std::int64_t>& sorted)
{
    return sorted[(sorted.size() - 1) * 999 / 1000];
}

// Every parameter in turn, to random values, without pause.
void changeParameters(CorvexEngine& engine, const std::atomic<bool>& stop, std::atomic<std::uint64_t>& changes)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    for (int id = 0; !stop.load(std::memory_order_relaxed); id = (id + 1) % kNumParameters)
    {
        engine.setNormalizedValue(id, value(random));
        changes.fetch_add(1, std::memory_order_relaxed);
    }
}

void processWhileParametersChange(benchmark::State& state)
{
    const bool contended = state.range(0) != 0;
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    engine->setSampleRate(48000);

    NoiseBlock block;

    std::vector<std::int64_t> waits;
    std::vector<std::int64_t> calls;
    waits.reserve(static_cast<std::size_t>(state.max_iterations));
    calls.reserve(static_cast<std::size_t>(state.max_iterations));

    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> changes{0};
    std::thread control;
    if (contended)
        control = std::thread(changeParameters, std::ref(*engine), std::cref(stop), std::ref(changes));

    const auto begin = Clock::now();
    for (auto _ : state)
    {
        lockWaitNs = 0;
        timingLocks = true;
        const auto start = Clock::now();
        engine->process(block.in, block.out, nullptr, kCorvexMaxNumChannels, kCorvexMaxBufferSize);
        const auto end = Clock::now();
        timingLocks = false;
        waits.push_back(lockWaitNs);
        calls.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count());
        benchmark::DoNotOptimize(block.output);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    stop.store(true);
    if (control.joinable())
        control.join();

    std::sort(waits.begin(), waits.end());
    std::sort(calls.begin(), calls.end());
    state.counters["wait_max_us"] = microseconds(waits.back());
    state.counters["wait_p999_us"] = microseconds(perMille999(waits));
    state.counters["call_max_us"] = microseconds(calls.back());
    state.counters["call_p999_us"] = microseconds(perMille999(calls));
    state.counters["changes_per_s"] = static_cast<double>(changes.load()) / seconds;
}

BENCHMARK(processWhileParametersChange)
    ->ArgName("control_thread")
    ->Arg(0)
    ->Arg(1)
    ->MinTime(3.0)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace
