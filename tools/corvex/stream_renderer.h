#pragma once

#include "engine/corvex_engine.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace corvex::tool
{

struct RenderOptions
{
    int blockSize = kCorvexMaxBufferSize; // samples per process() call, 1 to 32
    bool keepLatency = false;             // false: drop the engine's latency and flush its tail
};

// Called after every process() call with the six meters (CorvexMeterIds order) and the block's length.
using BlockObserver = std::function<void(const float* meters, int frames)>;

// Streams interleaved audio through an engine whose sample rate and parameters
// are set, in blocks of the chosen size. By default the output is aligned with
// the input: the first latency samples are dropped and flush() renders the tail,
// so the output has exactly the input's length. With keepLatency the output is
// the raw stream, of the input's length and delayed by the latency.
class StreamRenderer
{
public:
    StreamRenderer(CorvexEngine& engine, int channels, RenderOptions options, BlockObserver observer);

    // Renders frames of input, with sideChain (sideChainChannels 1, feeding every
    // channel, or equal to the input's channels; 0 and nullptr for none), and
    // replaces output with the interleaved result.
    void render(const float* input, const float* sideChain, int sideChainChannels, std::int64_t frames,
                std::vector<float>& output);

    // Renders the tail held back by the latency (nothing with keepLatency).
    void flush(std::vector<float>& output);

private:
    void renderBlock(const float* input, const float* sideChain, int sideChainChannels, int frames,
                     std::vector<float>& output);

    CorvexEngine& engine_;
    int channels_;
    RenderOptions options_;
    BlockObserver observer_;
    std::int64_t framesToDrop_;
};

} // namespace corvex::tool
