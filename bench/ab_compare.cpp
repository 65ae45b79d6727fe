// A/B comparison of two builds of the engine library in one process.
//
//   corvex_ab_compare <parent libcorvex-engine.so> <candidate libcorvex-engine.so> [rounds]
//
// First it streams the same two seconds, with parameter changes along the way,
// through both builds for every case and block size from 1 to 32, and reports
// any output sample or meter that differs in a single bit. Then, per case, it
// feeds both builds the same stream in alternating rounds (the order swapping
// every round) and prints each build's median ns per frame and the median of
// the per-round ratios candidate / parent. A frame is one sample on every channel.
#include "corvex_engine.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{

constexpr int kSampleRate = 48000;
constexpr int kStreamFrames = 2 * kSampleRate;
constexpr int kRoundFrames = 4800;

using Factory = CorvexEngine* (*)();

struct EngineDeleter
{
    void operator()(CorvexEngine* engine) const { delete engine; }
};
using EnginePtr = std::unique_ptr<CorvexEngine, EngineDeleter>;

Factory loadFactory(const char* path)
{
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        std::exit(2);
    }
    auto factory = reinterpret_cast<Factory>(dlsym(library, "createCorvexEngine"));
    if (factory == nullptr)
    {
        std::fprintf(stderr, "%s has no createCorvexEngine\n", path);
        std::exit(2);
    }
    return factory;
}

using Settings = std::vector<std::pair<int, float>>;

// Defaults with enough input gain to compress, and every side-chain feature on.
const Settings kDefaultSettings = {{kParamInputGain, 0.7f}};
const Settings kAllFeatureSettings = {
    {kParamInputGain, 0.7f},         {kParamSideChainEqOn, 1.0f},          {kParamSideChainEqHighPassOn, 1.0f},
    {kParamSideChainEqLowPassOn, 1.0f}, {kParamSideChainEqBellGain, 0.8f}, {kParamSideChainTimeWarp, 0.8f},
    {kParamDryWet, 0.7f},            {kParamSideChainDetectionMode, 0.5f}, {kParamGainReductionRange, 0.3f}};

struct Case
{
    const char* mode;
    int numChannels;
    bool effectOn;
    int blockSize;
    const char* settingsName;
    const Settings* settings;
};

// A triangle with bursts of integer noise per channel, the same for every run.
struct Stream
{
    std::vector<float> channel[kCorvexMaxNumChannels];

    Stream()
    {
        std::uint32_t state = 12345u;
        for (int c = 0; c < kCorvexMaxNumChannels; ++c)
        {
            const int period = kSampleRate / (110 * (c + 1));
            channel[c].resize(kStreamFrames);
            for (int i = 0; i < kStreamFrames; ++i)
            {
                state = state * 1664525u + 1013904223u;
                const double phase = static_cast<double>(i % period) / period;
                const double wave = 0.6 * (phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase);
                const double hiss = 0.3 * (static_cast<double>(state >> 8) / 8388608.0 - 1.0);
                channel[c][static_cast<std::size_t>(i)] = static_cast<float>(wave + hiss * ((i / 2000) % 2));
            }
        }
    }
};

EnginePtr makeEngine(Factory factory, const Case& test)
{
    EnginePtr engine(factory());
    for (const auto& [id, value] : *test.settings)
        engine->setNormalizedValue(id, value);
    engine->setNormalizedValue(kParamEnableEffect, test.effectOn ? 1.0f : 0.0f);
    engine->setSampleRate(kSampleRate);
    return engine;
}

// Runs frames [first, first + count) of the stream in blocks; returns the next frame.
int runFrames(CorvexEngine& engine, const Stream& stream, const Case& test, int first, int count,
              float (*output)[kCorvexMaxBufferSize])
{
    float* out[kCorvexMaxNumChannels] = {output[0], output[1]};
    int position = first;
    for (int done = 0; done < count; done += test.blockSize)
    {
        const int n = std::min(test.blockSize, count - done);
        if (position + n > kStreamFrames)
            position = 0;
        const float* in[kCorvexMaxNumChannels] = {stream.channel[0].data() + position,
                                                  stream.channel[1].data() + position};
        engine.process(in, out, nullptr, test.numChannels, n);
        position += n;
    }
    return position;
}

// Parameter changes at fixed blocks, so that every glide and fade moves.
void changeParameters(CorvexEngine& engine, int frame)
{
    switch (frame)
    {
    case 24000:
        engine.setNormalizedValue(kParamOutputGain, 0.3f);
        engine.setNormalizedValue(kParamDryWet, 0.4f);
        engine.setNormalizedValue(kParamRatio, 0.9f);
        engine.setNormalizedValue(kParamSideChainDetectionMode, 0.9f);
        break;
    case 48000:
        engine.setNormalizedValue(kParamEnableEffect, 0.0f);
        engine.setNormalizedValue(kParamSideChainEqBellFreq, 0.2f);
        break;
    case 72000:
        engine.setNormalizedValue(kParamEnableEffect, 1.0f);
        engine.setNormalizedValue(kParamSideChainListen, 1.0f);
        engine.setNormalizedValue(kParamInputGain, 0.9f);
        break;
    case 84000:
        engine.setNormalizedValue(kParamSideChainListen, 0.0f);
        break;
    default:
        break;
    }
}

// Streams two seconds through both builds; returns the number of blocks whose
// output or meters differ in any bit.
int countDifferingBlocks(Factory parent, Factory candidate, const Stream& stream, const Case& test)
{
    EnginePtr a = makeEngine(parent, test);
    EnginePtr b = makeEngine(candidate, test);
    float outA[kCorvexMaxNumChannels][kCorvexMaxBufferSize];
    float outB[kCorvexMaxNumChannels][kCorvexMaxBufferSize];
    int differing = 0;
    for (int frame = 0; frame + test.blockSize <= kStreamFrames; frame += test.blockSize)
    {
        for (int f = frame; f < frame + test.blockSize; ++f)
        {
            changeParameters(*a, f);
            changeParameters(*b, f);
        }
        runFrames(*a, stream, test, frame, test.blockSize, outA);
        runFrames(*b, stream, test, frame, test.blockSize, outB);
        bool same = true;
        for (int c = 0; c < test.numChannels; ++c)
            same = same && std::memcmp(outA[c], outB[c], sizeof(float) * static_cast<std::size_t>(test.blockSize)) == 0;
        for (int m = 0; m < kNumMeters; ++m)
        {
            const float meterA = a->getMeterValue(m);
            const float meterB = b->getMeterValue(m);
            same = same && std::memcmp(&meterA, &meterB, sizeof meterA) == 0;
        }
        differing += same ? 0 : 1;
    }
    return differing;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double secondsOf(CorvexEngine& engine, const Stream& stream, const Case& test, int& position,
                 float (*output)[kCorvexMaxBufferSize])
{
    const auto start = std::chrono::steady_clock::now();
    position = runFrames(engine, stream, test, position, kRoundFrames, output);
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(stop - start).count();
}

void timeCase(Factory parent, Factory candidate, const Stream& stream, const Case& test, int rounds)
{
    EnginePtr a = makeEngine(parent, test);
    EnginePtr b = makeEngine(candidate, test);
    float output[kCorvexMaxNumChannels][kCorvexMaxBufferSize];
    int positionA = 0;
    int positionB = 0;
    for (int warm = 0; warm < 4; ++warm)
    {
        secondsOf(*a, stream, test, positionA, output);
        secondsOf(*b, stream, test, positionB, output);
    }
    std::vector<double> nsA;
    std::vector<double> nsB;
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round)
    {
        double ta = 0.0;
        double tb = 0.0;
        if (round % 2 == 0)
        {
            ta = secondsOf(*a, stream, test, positionA, output);
            tb = secondsOf(*b, stream, test, positionB, output);
        }
        else
        {
            tb = secondsOf(*b, stream, test, positionB, output);
            ta = secondsOf(*a, stream, test, positionA, output);
        }
        nsA.push_back(ta * 1e9 / kRoundFrames);
        nsB.push_back(tb * 1e9 / kRoundFrames);
        ratios.push_back(tb / ta);
    }
    std::printf("%-7s %-4s block %2d   %8.1f  %8.1f   %6.3f\n", test.mode, test.settingsName, test.blockSize,
                median(nsA), median(nsB), median(ratios));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: %s <parent library> <candidate library> [rounds]\n", argv[0]);
        return 2;
    }
    const Factory parent = loadFactory(argv[1]);
    const Factory candidate = loadFactory(argv[2]);
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 61;
    const Stream stream;

    struct Mode
    {
        const char* name;
        int numChannels;
        bool effectOn;
    };
    const Mode modes[] = {{"stereo", 2, true}, {"mono", 1, true}, {"off", 2, false}};
    const std::pair<const char*, const Settings*> settings[] = {{"def", &kDefaultSettings},
                                                               {"all", &kAllFeatureSettings}};

    int differingCases = 0;
    for (const Mode& mode : modes)
        for (const auto& [name, values] : settings)
            for (int blockSize = 1; blockSize <= kCorvexMaxBufferSize; ++blockSize)
            {
                const Case test{mode.name, mode.numChannels, mode.effectOn, blockSize, name, values};
                const int differing = countDifferingBlocks(parent, candidate, stream, test);
                if (differing != 0)
                {
                    std::printf("DIFFERENT: %s %s block %d: %d blocks differ\n", mode.name, name, blockSize, differing);
                    ++differingCases;
                }
            }
    std::printf("bit check: %d of %d cases differ\n\n", differingCases, 3 * 2 * kCorvexMaxBufferSize);

    std::printf("case                  parent ns  cand. ns   ratio (median of %d rounds of %d frames)\n", rounds,
                kRoundFrames);
    for (const Mode& mode : modes)
        for (const auto& [name, values] : settings)
            for (int blockSize : {1, 8, 32})
                timeCase(parent, candidate, stream, Case{mode.name, mode.numChannels, mode.effectOn, blockSize, name, values},
                         rounds);
    return differingCases == 0 ? 0 : 1;
}
