#include "tests/validation/host_block.h"
#include "tests/validation/parameter_automation.h"
#include "tests/validation/test_signal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace corvex::validation
{
namespace
{

// Two engines driven by identical call sequences; each block's input and
// side chain are drawn once and handed to both.
struct EnginePair
{
    std::unique_ptr<CorvexEngine> first{createCorvexEngine()};
    std::unique_ptr<CorvexEngine> second{createCorvexEngine()};
    HostBlock firstBlock;
    HostBlock secondBlock;

    void setSampleRate(int sampleRate)
    {
        first->setSampleRate(sampleRate);
        second->setSampleRate(sampleRate);
    }

    void setNormalizedValue(int id, float value)
    {
        first->setNormalizedValue(id, value);
        second->setNormalizedValue(id, value);
    }

    void fill(const BlockShape& shape, TestSignal& input, TestSignal& sideChain)
    {
        firstBlock.fill(shape, input, sideChain);
        secondBlock = firstBlock;
    }

    bool sameResult(const BlockShape& shape, bool firstInPlace, bool secondInPlace) const
    {
        for (int c = 0; c < shape.numChannels; ++c)
            if (std::memcmp(firstBlock.result(c, firstInPlace), secondBlock.result(c, secondInPlace),
                            sizeof(float) * static_cast<std::size_t>(shape.numSamples)) != 0)
                return false;
        return true;
    }
};

TEST(HostBuffers, InPlaceProcessingGivesTheSameOutputAsSeparateBuffers)
{
    EnginePair engines;
    TestSignal input(SignalKind::WhiteNoise, 1);
    TestSignal sideChain(SignalKind::FullScaleSquare, 2);
    BlockShapes shapes(3);
    ParameterAutomation firstAutomation(4);
    ParameterAutomation secondAutomation(4);
    std::size_t differences = 0;
    std::size_t inputWrites = 0;

    for (const RateAndLatency& rate : kHostSampleRates)
    {
        engines.setSampleRate(rate.sampleRate);
        for (int done = 0; done < 800;)
        {
            firstAutomation.step(*engines.first);
            secondAutomation.step(*engines.second);
            const BlockShape shape = shapes.next();
            engines.fill(shape, input, sideChain);
            const HostBlock before = engines.firstBlock;
            engines.firstBlock.process(*engines.first, shape);
            engines.secondBlock.processInPlace(*engines.second, shape);
            done += shape.numSamples;
            differences += engines.sameResult(shape, false, true) ? 0 : 1;
            inputWrites += std::memcmp(before.input, engines.firstBlock.input, sizeof before.input) != 0 ? 1 : 0;
            inputWrites +=
                std::memcmp(before.sideChain, engines.firstBlock.sideChain, sizeof before.sideChain) != 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(differences, 0u);
    EXPECT_EQ(inputWrites, 0u);
}

struct SilentSideChainCase
{
    SideChainLayout layout;
    const char* name;
};

class SilentSideChain : public ::testing::TestWithParam<SilentSideChainCase>
{
};

// A null side-chain array, or a null channel in it, is that channel in silence:
// the output equals that of a side chain whose missing channels hold zeros,
// with the external side chain selected and not.
TEST_P(SilentSideChain, SoundsLikeZerosInTheMissingChannels)
{
    const SideChainLayout layout = GetParam().layout;
    for (const float external : {0.0f, 1.0f})
    {
        EnginePair engines;
        engines.setNormalizedValue(kParamExternalSideChain, external);
        TestSignal input(SignalKind::WhiteNoise, 5);
        TestSignal sideChain(SignalKind::FullScaleSquare, 6);
        BlockShapes shapes(7);
        std::size_t differences = 0;
        for (const int sampleRate : {44100, 96000})
        {
            engines.setSampleRate(sampleRate);
            for (int done = 0; done < 3000;)
            {
                BlockShape shape = shapes.next();
                shape.numChannels = 2;
                engines.fill(shape, input, sideChain);
                for (int c = 0; c < 2; ++c)
                {
                    const bool missing = layout == SideChainLayout::Absent ||
                                         (c == 0 && layout == SideChainLayout::NullFirstChannel) ||
                                         (c == 1 && layout == SideChainLayout::NullSecondChannel);
                    if (missing)
                        std::memset(engines.secondBlock.sideChain[c], 0, sizeof engines.secondBlock.sideChain[c]);
                }
                shape.sideChain = layout;
                engines.firstBlock.process(*engines.first, shape);
                shape.sideChain = SideChainLayout::Present;
                engines.secondBlock.process(*engines.second, shape);
                done += shape.numSamples;
                differences += engines.sameResult(shape, false, false) ? 0 : 1;
            }
        }
        EXPECT_EQ(differences, 0u) << "external side chain " << external;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SilentSideChain,
                         ::testing::Values(SilentSideChainCase{SideChainLayout::Absent, "NullArray"},
                                           SilentSideChainCase{SideChainLayout::NullFirstChannel, "NullChannel0"},
                                           SilentSideChainCase{SideChainLayout::NullSecondChannel, "NullChannel1"}),
                         [](const auto& info) { return std::string(info.param.name); });

// With the external side chain selected, a loud side chain drives the gain
// computer: the output departs from that of an absent side chain, and the
// gain-reduction meter shows reduction.
TEST(HostSideChain, PresentExternalSideChainIsHeard)
{
    EnginePair engines;
    engines.setNormalizedValue(kParamExternalSideChain, 1.0f);
    engines.setSampleRate(48000);
    TestSignal input(SignalKind::WhiteNoise, 8);
    TestSignal sideChain(SignalKind::FullScaleSquare, 9);
    std::size_t differences = 0;
    float smallestGain = 1.0f;
    for (int block = 0; block < 300; ++block)
    {
        const BlockShape shape{2, 32, SideChainLayout::Present};
        engines.fill(shape, input, sideChain);
        engines.firstBlock.process(*engines.first, shape);
        engines.secondBlock.process(*engines.second, BlockShape{2, 32, SideChainLayout::Absent});
        differences += engines.sameResult(shape, false, false) ? 0 : 1;
        smallestGain = std::min(smallestGain, engines.first->getMeterValue(kMeterGainReduction0));
    }
    EXPECT_GT(differences, 0u);
    EXPECT_LT(smallestGain, 0.5f);
}

} // namespace
} // namespace corvex::validation
