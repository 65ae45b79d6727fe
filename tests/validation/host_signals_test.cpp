#include "tests/support/report_capture.h"
#include "tests/validation/host_block.h"
#include "tests/validation/parameter_automation.h"
#include "tests/validation/test_signal.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

namespace corvex::validation
{
namespace
{

constexpr int kSamplesPerRate = 1200;

bool carriesNoLevel(SignalKind kind)
{
    // Silence, values that denormals-are-zero reads as zero, and non-finite
    // values, which enter the engine as 0.0.
    return kind == SignalKind::Silence || kind == SignalKind::Denormal || kind == SignalKind::NotANumber ||
           kind == SignalKind::Infinity;
}

class HostSignals : public ::testing::TestWithParam<SignalKind>
{
};

// Every rate in turn on one engine, the rate changing between blocks; random
// block sizes, mono and stereo alternating, every side-chain layout, random
// automation; the same kind of signal on the input and the side chain.
TEST_P(HostSignals, OutputStaysFiniteAndFreeOfDenormalsAtEveryRate)
{
    const SignalKind kind = GetParam();
    testing::ReportCapture capture;
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    TestSignal signal(kind, 3);
    TestSignal sideChainSignal(kind, 4);
    BlockShapes shapes(5);
    ParameterAutomation automation(6);
    HostBlock block;

    for (const RateAndLatency& rate : kHostSampleRates)
    {
        SCOPED_TRACE(rate.sampleRate);
        engine->setSampleRate(rate.sampleRate);
        std::size_t badSamples = 0;
        std::size_t inputWrites = 0;
        std::size_t badMeters = 0;
        for (int done = 0; done < kSamplesPerRate;)
        {
            automation.step(*engine);
            const BlockShape shape = shapes.next();
            block.fill(shape, signal, sideChainSignal);
            const HostBlock before = block;
            block.process(*engine, shape);
            done += shape.numSamples;
            badSamples += block.uncleanOutputSamples(shape);
            inputWrites += std::memcmp(before.input, block.input, sizeof block.input) != 0 ? 1 : 0;
            inputWrites += std::memcmp(before.sideChain, block.sideChain, sizeof block.sideChain) != 0 ? 1 : 0;
            for (int meter = 0; meter < kNumMeters; ++meter)
            {
                const float value = engine->getMeterValue(meter);
                badMeters += std::isnan(value) || isSubnormal(value) || value < 0.0f ? 1 : 0;
            }
            if (carriesNoLevel(kind))
                badMeters += engine->getMeterValue(kMeterInput0) != 0.0f || engine->getMeterValue(kMeterInput1) != 0.0f;
        }
        EXPECT_EQ(badSamples, 0u);
        EXPECT_EQ(inputWrites, 0u);
        EXPECT_EQ(badMeters, 0u);
    }
    EXPECT_EQ(capture.count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, HostSignals, ::testing::ValuesIn(kAllSignalKinds),
                         [](const auto& info) { return signalName(info.param); });

class NonFiniteInput : public ::testing::TestWithParam<SignalKind>
{
};

// NaN and infinities enter as 0.0: an engine fed them sounds, and meters,
// exactly like one fed silence, on the input and the side chain alike.
TEST_P(NonFiniteInput, SoundsExactlyLikeSilence)
{
    std::unique_ptr<CorvexEngine> hostile(createCorvexEngine());
    std::unique_ptr<CorvexEngine> silent(createCorvexEngine());
    TestSignal signal(GetParam(), 7);
    BlockShapes shapes(8);
    ParameterAutomation hostileAutomation(9);
    ParameterAutomation silentAutomation(9);
    HostBlock hostileBlock;
    HostBlock silentBlock;
    std::size_t differences = 0;

    for (const RateAndLatency& rate : kHostSampleRates)
    {
        hostile->setSampleRate(rate.sampleRate);
        silent->setSampleRate(rate.sampleRate);
        for (int done = 0; done < 600;)
        {
            hostileAutomation.step(*hostile);
            silentAutomation.step(*silent);
            const BlockShape shape = shapes.next();
            hostileBlock.fill(shape, signal, signal);
            hostileBlock.process(*hostile, shape);
            silentBlock.process(*silent, shape);
            done += shape.numSamples;
            differences += std::memcmp(hostileBlock.output, silentBlock.output, sizeof hostileBlock.output) != 0;
            for (int meter = 0; meter < kNumMeters; ++meter)
                differences += std::bit_cast<std::uint32_t>(hostile->getMeterValue(meter)) !=
                               std::bit_cast<std::uint32_t>(silent->getMeterValue(meter));
        }
    }
    EXPECT_EQ(differences, 0u);
}

INSTANTIATE_TEST_SUITE_P(NanAndInfinities, NonFiniteInput,
                         ::testing::Values(SignalKind::NotANumber, SignalKind::Infinity),
                         [](const auto& info) { return signalName(info.param); });

} // namespace
} // namespace corvex::validation
