// The serial floor of the engine: the feedback gain computer alone, mono and
// stereo, on the constants the engine derives at 48 kHz with settings that
// compress, with flush-to-zero and denormals-are-zero set as process() sets
// them. Each sample's detector input is multiplied by the previous sample's
// gain, so the chain from that product to the gain's exp is one dependency per
// channel; the whole engine is judged against these figures (ns per frame).
#include "bench/noise_block.h"
#include "libraries/dsp/vector/vector_primitives.h"
#include "model/derived_values.h"
#include "model/feedback_gain_kernel.h"
#include "model/model_state.h"
#include "model/parameter_table.h"
#include "model/sample_rate_setup.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

constexpr int kSampleRate = 48000;

struct KernelFixture
{
    std::unique_ptr<corvex::ModelState> state = std::make_unique<corvex::ModelState>();
    corvex::ParameterSnapshot snapshot{};
    double detector[corvex::kMaxChannels][corvex::kBlockCapacity];
    double gain[corvex::kMaxChannels][corvex::kBlockCapacity];

    explicit KernelFixture(bool allFeatures)
    {
        corvex::ParameterValues values{};
        values.normalized = corvex::kDefaultNormalizedValues;
        values.normalized[kParamInputGain] = 0.7f;
        if (allFeatures)
            values.normalized[kParamSideChainTimeWarp] = 0.8f;
        values.sampleRate = static_cast<float>(kSampleRate);
        corvex::rebuildSnapshot(values, snapshot);
        corvex::resetModelState(*state);
        corvex::prepareFixedFilters(*state, kSampleRate);

        // A detector signal loud enough to keep the gain computer reducing.
        const NoiseBlock noise;
        for (int c = 0; c < corvex::kMaxChannels; ++c)
            for (int i = 0; i < corvex::kBlockCapacity; ++i)
                detector[c][i] = 1.5 * static_cast<double>(noise.input[c][i]);
    }
};

void kernelChain(benchmark::State& benchmarkState)
{
    const int numChannels = static_cast<int>(benchmarkState.range(0));
    KernelFixture fixture(benchmarkState.range(1) != 0);
    vec::prepareVectorUnit();
    const double* detector[corvex::kMaxChannels] = {fixture.detector[0], fixture.detector[1]};
    double* gain[corvex::kMaxChannels] = {fixture.gain[0], fixture.gain[1]};
    for (auto _ : benchmarkState)
    {
        if (numChannels == 1)
            corvex::feedbackGainKernel(detector[0], gain[0], corvex::kBlockCapacity, fixture.state->kernel,
                                       fixture.snapshot);
        else
            corvex::feedbackGainKernel(detector, gain, corvex::kBlockCapacity, fixture.state->kernel,
                                       fixture.snapshot);
        benchmark::DoNotOptimize(fixture.gain);
    }
    const auto frames = benchmarkState.iterations() * corvex::kBlockCapacity;
    benchmarkState.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(kernelChain)->ArgNames({"channels", "all"})->ArgsProduct({{1, 2}, {0, 1}});

} // namespace
