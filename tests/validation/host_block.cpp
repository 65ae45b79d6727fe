#include "tests/validation/host_block.h"

#include <bit>

namespace corvex::validation
{

namespace
{

constexpr std::uint32_t kExponentBits = 0x7F800000u;
constexpr std::uint32_t kMantissaBits = 0x007FFFFFu;

const float* const* sideChainArray(const HostBlock& block, SideChainLayout layout, const float* (&pointers)[2])
{
    pointers[0] = layout == SideChainLayout::NullFirstChannel ? nullptr : block.sideChain[0];
    pointers[1] = layout == SideChainLayout::NullSecondChannel ? nullptr : block.sideChain[1];
    return layout == SideChainLayout::Absent ? nullptr : pointers;
}

} // namespace

BlockShapes::BlockShapes(std::uint32_t seed) : random(seed)
{
}

BlockShape BlockShapes::next()
{
    lastChannels = 3 - lastChannels;
    const int numSamples = std::uniform_int_distribution<int>(1, kCorvexMaxBufferSize)(random);
    const auto layout = static_cast<SideChainLayout>(std::uniform_int_distribution<int>(0, 3)(random));
    return BlockShape{lastChannels, numSamples, layout};
}

void HostBlock::fill(const BlockShape& shape, TestSignal& inputSignal, TestSignal& sideChainSignal)
{
    for (int c = 0; c < shape.numChannels; ++c)
        for (int i = 0; i < shape.numSamples; ++i)
        {
            input[c][i] = inputSignal.next();
            sideChain[c][i] = sideChainSignal.next();
        }
}

void HostBlock::process(CorvexEngine& engine, const BlockShape& shape)
{
    const float* in[2] = {input[0], input[1]};
    float* out[2] = {output[0], output[1]};
    const float* sideChainPointers[2];
    engine.process(in, out, sideChainArray(*this, shape.sideChain, sideChainPointers), shape.numChannels,
                   shape.numSamples);
}

void HostBlock::processInPlace(CorvexEngine& engine, const BlockShape& shape)
{
    float* inOut[2] = {input[0], input[1]};
    const float* sideChainPointers[2];
    engine.process(inOut, inOut, sideChainArray(*this, shape.sideChain, sideChainPointers), shape.numChannels,
                   shape.numSamples);
}

const float* HostBlock::result(int channel, bool inPlace) const
{
    return inPlace ? input[channel] : output[channel];
}

// Both read the bits: the test threads run with denormals-are-zero set, under
// which a comparison sees a subnormal as zero.
std::size_t HostBlock::uncleanOutputSamples(const BlockShape& shape, bool inPlace) const
{
    std::size_t unclean = 0;
    for (int c = 0; c < shape.numChannels; ++c)
        for (int i = 0; i < shape.numSamples; ++i)
            unclean += isCleanSample(result(c, inPlace)[i]) ? 0 : 1;
    return unclean;
}

bool isSubnormal(float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return (bits & kExponentBits) == 0 && (bits & kMantissaBits) != 0;
}

bool isCleanSample(float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return (bits & kExponentBits) != kExponentBits && !isSubnormal(value);
}

} // namespace corvex::validation
