// Latency of exp on the feedback path: a dependent chain, each argument taken
// from the previous result, so that calls cannot overlap. The engine's exp
// (inline) against the C library's.
#include "libraries/dsp/math/exp.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{

constexpr int kChainLength = 1000;

// x <- -exp(x) * 0.75 - 0.5 stays in [-1.3, -0.5], like a gain reduction in
// nepers.
template <double (*Exp)(double)>
void expChain(benchmark::State& state)
{
    double x = -0.7;
    for (auto _ : state)
    {
        for (int i = 0; i < kChainLength; ++i)
            x = -Exp(x) * 0.75 - 0.5;
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations() * kChainLength);
}

double engineExp(double x)
{
    return dsp::math::exp(x);
}

double libraryExp(double x)
{
    return std::exp(x);
}

BENCHMARK(expChain<engineExp>)->Name("exp_chain/engine");
BENCHMARK(expChain<libraryExp>)->Name("exp_chain/c_library");

} // namespace
