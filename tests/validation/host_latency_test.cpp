#include "tests/validation/host_block.h"
#include "tests/validation/test_signal.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

namespace corvex::validation
{
namespace
{

// One fade of "Enable Effect" from fully on to its snap below 0.0001 lasts
// ln(0.0001) / ln(0.999) = 9206 samples; a block more ends it for sure.
constexpr int kFadeEndSamples = 9206 + kCorvexMaxBufferSize;

// Streams noise through the engine with a fixed channel count and random
// block sizes, keeping every input and output sample per channel.
class RecordedStream
{
public:
    RecordedStream(CorvexEngine& streamEngine, int channelCount, std::uint32_t seed)
        : engine(streamEngine), numChannels(channelCount), shapes(seed), noise(SignalKind::WhiteNoise, seed + 1)
    {
    }

    void run(int numSamples)
    {
        int done = 0;
        while (done < numSamples)
        {
            BlockShape shape = shapes.next();
            shape.numChannels = numChannels;
            shape.numSamples = std::min(shape.numSamples, numSamples - done);
            block.fill(shape, noise, silence);
            block.process(engine, shape);
            for (int c = 0; c < numChannels; ++c)
            {
                inputs[c].insert(inputs[c].end(), block.input[c], block.input[c] + shape.numSamples);
                outputs[c].insert(outputs[c].end(), block.output[c], block.output[c] + shape.numSamples);
            }
            done += shape.numSamples;
        }
    }

    void forget()
    {
        for (int c = 0; c < kCorvexMaxNumChannels; ++c)
        {
            inputs[c].clear();
            outputs[c].clear();
        }
    }

    // Whether output sample t is input sample t - delay bit for bit, from
    // sample `from` on; before the start of the recording the input is silence.
    void expectDelayedInput(int delaySamples, std::size_t from) const
    {
        for (int c = 0; c < numChannels; ++c)
        {
            std::size_t mismatches = 0;
            for (std::size_t t = from; t < outputs[c].size(); ++t)
            {
                const float expected = t >= static_cast<std::size_t>(delaySamples) ? inputs[c][t - delaySamples] : 0.0f;
                if (std::bit_cast<std::uint32_t>(outputs[c][t]) != std::bit_cast<std::uint32_t>(expected))
                    ++mismatches;
            }
            EXPECT_EQ(mismatches, 0u) << "channel " << c << ", delay " << delaySamples;
        }
    }

private:
    CorvexEngine& engine;
    int numChannels;
    BlockShapes shapes;
    TestSignal noise;
    TestSignal silence{SignalKind::Silence, 0};
    HostBlock block;
    std::vector<float> inputs[kCorvexMaxNumChannels];
    std::vector<float> outputs[kCorvexMaxNumChannels];
};

class HostLatency : public ::testing::TestWithParam<int>
{
};

// The effect is off before each rate is set, so the fade starts ended and the
// output is the delayed input from the first sample, the dry delay starting silent.
TEST_P(HostLatency, ReportedLatencyIsTheDelayWithTheEffectOffAtEveryRate)
{
    const int numChannels = GetParam();
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    engine->setNormalizedValue(kParamEnableEffect, 0.0f);
    RecordedStream stream(*engine, numChannels, 11);
    for (const RateAndLatency& rate : kHostSampleRates)
    {
        SCOPED_TRACE(rate.sampleRate);
        engine->setSampleRate(rate.sampleRate);
        ASSERT_EQ(engine->getLatencySamples(), rate.latencySamples);
        stream.forget();
        stream.run(rate.latencySamples + 700);
        stream.expectDelayedInput(rate.latencySamples, 0);
    }
}

// Switched off while running, the effect fades out over 9206 samples; from
// then on the output is exactly the input delayed by the reported latency.
TEST_P(HostLatency, SwitchingTheEffectOffSettlesIntoTheReportedDelay)
{
    const int numChannels = GetParam();
    for (const RateAndLatency& rate : kHostSampleRates)
    {
        SCOPED_TRACE(rate.sampleRate);
        std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
        engine->setSampleRate(rate.sampleRate);
        RecordedStream stream(*engine, numChannels, 23);
        stream.run(1500);
        engine->setNormalizedValue(kParamEnableEffect, 0.0f);
        stream.run(kFadeEndSamples);
        const std::size_t settled = 1500 + kFadeEndSamples;
        stream.run(rate.latencySamples + 500);
        stream.expectDelayedInput(engine->getLatencySamples(), settled);
    }
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, HostLatency, ::testing::Values(1, 2));

} // namespace
} // namespace corvex::validation
