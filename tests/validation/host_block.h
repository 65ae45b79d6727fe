#pragma once

#include "corvex_engine.h"
#include "tests/validation/test_signal.h"

#include <cstddef>
#include <cstdint>
#include <random>

namespace corvex::validation
{

// The sample rates every host-behaviour check runs at, with the latency each
// must report: 5 ms in samples, truncated.
struct RateAndLatency
{
    int sampleRate;
    int latencySamples;
};

inline constexpr RateAndLatency kHostSampleRates[] = {
    {1, 0},       {8000, 40},   {22050, 110}, {44100, 220},  {48000, 240},
    {88200, 441}, {96000, 480}, {176400, 882}, {192000, 960},
};

// Which side-chain input a process() call receives.
enum class SideChainLayout
{
    Absent,            // null array
    NullFirstChannel,  // array present, channel 0 null
    NullSecondChannel, // array present, channel 1 null
    Present,           // every channel present
};

struct BlockShape
{
    int numChannels;
    int numSamples;
    SideChainLayout sideChain;
};

// The call shapes of a hostile host: block sizes 1 to 32 at random, mono and
// stereo calls alternating, the side chain in any layout. Equal seeds give equal shapes.
class BlockShapes
{
public:
    explicit BlockShapes(std::uint32_t seed);

    BlockShape next();

private:
    std::mt19937 random;
    int lastChannels = 2;
};

// Host-owned buffers for one call: up to two channels of kCorvexMaxBufferSize
// samples for input, output and side chain.
struct HostBlock
{
    float input[kCorvexMaxNumChannels][kCorvexMaxBufferSize] = {};
    float output[kCorvexMaxNumChannels][kCorvexMaxBufferSize] = {};
    float sideChain[kCorvexMaxNumChannels][kCorvexMaxBufferSize] = {};

    // The call's channels and samples of the input and the side chain, drawn in turn from the two signals.
    void fill(const BlockShape& shape, TestSignal& inputSignal, TestSignal& sideChainSignal);

    // Separate input and output buffers.
    void process(CorvexEngine& engine, const BlockShape& shape);
    // The output written over the input, as hosts that process in place do.
    void processInPlace(CorvexEngine& engine, const BlockShape& shape);

    // The samples the call produced, wherever it wrote them.
    const float* result(int channel, bool inPlace) const;

    // How many of the call's output samples are not finite or are subnormal.
    std::size_t uncleanOutputSamples(const BlockShape& shape, bool inPlace = false) const;
};

// Every sample finite, none subnormal: what a host may always expect back.
bool isCleanSample(float value);
// Non-zero values below the smallest normal float.
bool isSubnormal(float value);

} // namespace corvex::validation
