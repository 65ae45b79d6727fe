// Throughput of process(): noise through the whole model, per block size and
// channel count, reported as samples per second and as a multiple of real
// time at 48 kHz.
#include "bench/noise_block.h"
#include "corvex_engine.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

constexpr int kSampleRate = 48000;

void processNoise(benchmark::State& state)
{
    const int numSamples = static_cast<int>(state.range(0));
    const int numChannels = static_cast<int>(state.range(1));
    const bool effectOn = state.range(2) != 0;
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    engine->setNormalizedValue(kParamEnableEffect, effectOn ? 1.0f : 0.0f);
    engine->setSampleRate(kSampleRate);

    NoiseBlock block;
    for (auto _ : state)
    {
        engine->process(block.in, block.out, nullptr, numChannels, numSamples);
        benchmark::DoNotOptimize(block.output);
    }
    const auto samples = state.iterations() * numSamples;
    state.SetItemsProcessed(samples);
    state.counters["realtime_multiple_48k"] =
        benchmark::Counter(static_cast<double>(samples) / kSampleRate, benchmark::Counter::kIsRate);
}

BENCHMARK(processNoise)
    ->ArgNames({"samples", "channels", "effect"})
    ->ArgsProduct({{1, 8, 32}, {1, 2}, {1}})
    ->Args({32, 2, 0});

} // namespace
