// What a host may rely on at every rate, block size and buffer layout: the
// reported latency is the exact delay of the dry path, hostile signals give
// clean output, and in-place buffers and missing side chains change nothing.
#include "tests/support/engine_driver.h"
#include "tests/support/report_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace corvex::validation
{
namespace
{

using Engine = std::unique_ptr<CorvexEngine>;

using HostLatency = ::testing::TestWithParam<int>;

// With the effect off from the set-up on, the output is the input delayed by
// the reported latency from the first sample (the dry delay starting silent).
// Switched on and off again while running, the effect fades out over 9206
// samples (a block more at most), after which the output is that delayed input again, bit for bit.
TEST_P(HostLatency, ReportedLatencyIsTheExactDelayWithTheEffectOff)
{
    for (const RateAndLatency& rate : kHostSampleRates)
    {
        SCOPED_TRACE(rate.sampleRate);
        const auto engine = testing::makeEngine(rate.sampleRate, {{kParamEnableEffect, 0.0f}});
        ASSERT_EQ(engine->getLatencySamples(), rate.latencySamples);
        BlockShapes shapes(11);
        TestSignal noise(SignalKind::WhiteNoise, 12), silence(SignalKind::Silence, 0);
        HostBlock block;
        std::vector<float> inputs[2];
        std::size_t mismatches = 0;
        const std::size_t delay = rate.latencySamples, onAt = delay + 700, offAt = onAt + 1500,
                          settledAt = offAt + 9206 + kCorvexMaxBufferSize;
        for (std::size_t t = 0; t < settledAt + delay + 500;)
        {
            const float effect = t >= onAt && t < offAt ? 1.0f : 0.0f;
            if (engine->getNormalizedValue(kParamEnableEffect) != effect)
                engine->setNormalizedValue(kParamEnableEffect, effect);
            BlockShape shape = shapes.next();
            shape.numChannels = GetParam();
            block.fill(shape, noise, silence);
            block.process(*engine, shape);
            for (int c = 0; c < shape.numChannels; ++c)
                for (std::size_t i = 0, s = t; i < static_cast<std::size_t>(shape.numSamples); ++i, ++s)
                {
                    inputs[c].push_back(block.input[c][i]);
                    if (s < onAt || s >= settledAt)
                        mismatches += std::bit_cast<std::uint32_t>(block.output[c][i]) !=
                                      std::bit_cast<std::uint32_t>(s >= delay ? inputs[c][s - delay] : 0.0f);
                }
            t += static_cast<std::size_t>(shape.numSamples);
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, HostLatency, ::testing::Values(1, 2));

using HostSignals = ::testing::TestWithParam<SignalKind>;

// Every rate in turn on one engine; random block sizes, mono and stereo,
// every side-chain layout, random automation; the same kind of signal on the
// input and the side chain. The output is finite and free of denormals, the
// host's input buffers stay untouched, the meters stay sane, and signals that
// carry no level (silence, values read as zero, non-finite values, which enter
// as 0.0) show no input level. NaN and infinities sound and meter exactly like
// silence fed to a twin engine.
TEST_P(HostSignals, OutputStaysCleanAtEveryRate)
{
    const SignalKind kind = GetParam();
    const bool nonFinite = kind == SignalKind::NotANumber || kind == SignalKind::Infinity;
    const bool carriesNoLevel = nonFinite || kind == SignalKind::Silence || kind == SignalKind::Denormal;
    testing::ReportCapture capture;
    Engine engine(createCorvexEngine()), silent(createCorvexEngine());
    TestSignal signal(kind, 3), sideChainSignal(kind, 4);
    BlockShapes shapes(5);
    ParameterAutomation automation(6), silentAutomation(6);
    HostBlock block, silentBlock;
    for (const RateAndLatency& rate : kHostSampleRates)
    {
        SCOPED_TRACE(rate.sampleRate);
        engine->setSampleRate(rate.sampleRate);
        silent->setSampleRate(rate.sampleRate);
        std::size_t badSamples = 0, inputWrites = 0, badMeters = 0, differences = 0;
        for (int done = 0; done < 1200;)
        {
            automation.step(*engine);
            silentAutomation.step(*silent);
            const BlockShape shape = shapes.next();
            block.fill(shape, signal, sideChainSignal);
            const HostBlock before = block;
            block.process(*engine, shape);
            if (nonFinite)
                silentBlock.process(*silent, shape);
            done += shape.numSamples;
            badSamples += block.uncleanOutputSamples(shape);
            inputWrites += std::memcmp(before.input, block.input, sizeof block.input) != 0;
            inputWrites += std::memcmp(before.sideChain, block.sideChain, sizeof block.sideChain) != 0;
            differences += nonFinite && std::memcmp(block.output, silentBlock.output, sizeof block.output) != 0;
            for (int meter = 0; meter < kNumMeters; ++meter)
            {
                const float value = engine->getMeterValue(meter);
                badMeters += std::isnan(value) || isSubnormal(value) || value < 0.0f ||
                             (carriesNoLevel && (meter == kMeterInput0 || meter == kMeterInput1) && value != 0.0f);
                differences += nonFinite && std::bit_cast<std::uint32_t>(value) !=
                                                std::bit_cast<std::uint32_t>(silent->getMeterValue(meter));
            }
        }
        EXPECT_EQ(badSamples + inputWrites + badMeters + differences, 0u)
            << badSamples << " unclean samples, " << inputWrites << " input writes, " << badMeters << " bad meters, "
            << differences << " differences from silence";
    }
    EXPECT_EQ(capture.count(), 0u);
#if defined(__SSE__)
    EXPECT_EQ(_mm_getcsr() & 0x8040u, 0x8040u) << "process leaves flush-to-zero and denormals-are-zero set";
#endif
}

const char* const kKindNames[] = {"Silence",       "Dc",         "FullScaleSquare", "WhiteNoise", "Denormal",
                                  "LargestFinite", "NotANumber", "Infinity"};
INSTANTIATE_TEST_SUITE_P(EveryKind, HostSignals, ::testing::ValuesIn(kAllSignalKinds),
                         [](const auto& info) { return std::string(kKindNames[static_cast<int>(info.param)]); });

// Two engines get identical automation and signals; the first is called the
// way the case names, the second with separate buffers and a side chain whose
// missing channels hold zeros (or, for the last case, no side chain at all).
struct HostCallCase
{
    const char* name;
    bool inPlace;
    bool keepLayout; // the first engine gets the random side-chain layout, else the one below
    SideChainLayout layout;
    bool soundsTheSame;
};

using HostCalls = ::testing::TestWithParam<HostCallCase>;

TEST_P(HostCalls, EquivalentCallsSoundTheSame)
{
    const HostCallCase& test = GetParam();
    for (const float external : {0.0f, 1.0f})
    {
        Engine first(createCorvexEngine()), second(createCorvexEngine());
        first->setNormalizedValue(kParamExternalSideChain, external);
        second->setNormalizedValue(kParamExternalSideChain, external);
        TestSignal input(SignalKind::WhiteNoise, 1), sideChain(SignalKind::FullScaleSquare, 2);
        BlockShapes shapes(3);
        ParameterAutomation firstAutomation(4), secondAutomation(4);
        HostBlock firstBlock, secondBlock;
        std::size_t differences = 0;
        for (const RateAndLatency& rate : kHostSampleRates)
        {
            first->setSampleRate(rate.sampleRate);
            second->setSampleRate(rate.sampleRate);
            for (int done = 0; done < 800;)
            {
                firstAutomation.step(*first);
                secondAutomation.step(*second);
                BlockShape shape = shapes.next();
                firstBlock.fill(shape, input, sideChain);
                secondBlock = firstBlock;
                if (!test.keepLayout)
                {
                    shape.sideChain = test.layout;
                    for (int c = 0; c < 2; ++c)
                        if (test.layout == SideChainLayout::Absent ||
                            test.layout == (c == 0 ? SideChainLayout::NullFirstChannel : SideChainLayout::NullSecondChannel))
                            std::memset(secondBlock.sideChain[c], 0, sizeof secondBlock.sideChain[c]);
                }
                firstBlock.process(*first, shape, test.inPlace);
                if (!test.keepLayout)
                    shape.sideChain = test.soundsTheSame ? SideChainLayout::Present : SideChainLayout::Absent;
                secondBlock.process(*second, shape);
                done += shape.numSamples;
                for (int c = 0; c < shape.numChannels; ++c)
                    differences += std::memcmp(test.inPlace ? firstBlock.input[c] : firstBlock.output[c], secondBlock.output[c],
                                               sizeof(float) * static_cast<std::size_t>(shape.numSamples)) != 0;
            }
        }
        EXPECT_TRUE(test.soundsTheSame ? differences == 0 : external == 0.0f || differences > 100)
            << differences << " blocks differ, external side chain " << external;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, HostCalls,
    ::testing::Values(HostCallCase{"InPlace", true, true, SideChainLayout::Present, true},
                      HostCallCase{"NullSideChainArray", false, false, SideChainLayout::Absent, true},
                      HostCallCase{"NullSideChannel0", false, false, SideChainLayout::NullFirstChannel, true},
                      HostCallCase{"NullSideChannel1", false, false, SideChainLayout::NullSecondChannel, true},
                      HostCallCase{"PresentSideChainIsHeard", false, false, SideChainLayout::Present, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace corvex::validation
