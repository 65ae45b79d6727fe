#pragma once

#include "engine/corvex_engine.h"
#include "libraries/host/automation_file.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace corvex::host
{

struct RenderOptions
{
    int blockSize = kCorvexMaxBufferSize; // samples per process() call, 1 to 32
    bool keepLatency = false;             // false: drop the engine's latency and flush its tail
};

// Called after every process() call with the six meters (CorvexMeterIds order)
// and the block's length; without an observer the meters are not read.
using BlockObserver = std::function<void(const float* meters, int frames)>;

// Streams interleaved audio through an engine whose sample rate and parameters
// are set. The engine is called in blocks cut at every multiple of the block
// size counted from the stream's first sample, and at every automation point's
// position; a point's value is set right before the call that starts at its
// position. However the input arrives in render() calls, the engine sees the
// same calls. By default the output is aligned with the input: the first
// latency samples are dropped and flush() renders the tail on the same grid, so
// the output has exactly the input's length. With keepLatency the output is the
// raw stream, of the input's length and delayed by the latency.
class StreamRenderer
{
public:
    // automation: sorted by position (host::parseAutomation); positions count
    // input samples from 0.
    StreamRenderer(CorvexEngine& engine, int channels, RenderOptions options, BlockObserver observer,
                   std::span<const AutomationPoint> automation = {});

    // More points for a stream that arrives in pieces: sorted, after those given
    // before and at or after the input rendered so far. The waiting block is cut
    // at the first of them, as if they had been given from the start.
    void addAutomation(std::span<const AutomationPoint> points);

    // Renders frames of input, with sideChain (sideChainChannels 1, feeding every
    // channel, or equal to the input's channels; 0 and nullptr for none), and
    // replaces output with the interleaved result of the blocks completed. The
    // last block's frames wait for the next call or flush().
    void render(const float* input, const float* sideChain, int sideChainChannels, std::int64_t frames,
                std::vector<float>& output);

    // Renders the waiting frames and the tail held back by the latency (only the
    // waiting frames with keepLatency). Automation points not reached, those at
    // or after the input's end, are ignored.
    void flush(std::vector<float>& output);

private:
    void startBlock();
    void addFrames(const float* input, const float* sideChain, int sideChainChannels, int frames);
    void processBlock(std::vector<float>& output);

    CorvexEngine& engine_;
    int channels_;
    RenderOptions options_;
    BlockObserver observer_;
    std::vector<AutomationPoint> automation_;
    std::size_t nextPoint_ = 0;
    std::int64_t framesToDrop_;
    std::int64_t blockStartSamples_ = 0; // the current block's first sample in the stream
    int blockFrames_ = 0;                // the current block's length; 0 before it starts
    int filledFrames_ = 0;
    bool blockHasSideChain_ = false;
    float inputBlock_[kCorvexMaxNumChannels][kCorvexMaxBufferSize] = {};
    float sideChainBlock_[kCorvexMaxNumChannels][kCorvexMaxBufferSize] = {};
};

} // namespace corvex::host
