#include "tools/corvex/stream_renderer.h"

#include <algorithm>

namespace corvex::tool
{

StreamRenderer::StreamRenderer(CorvexEngine& engine, int channels, RenderOptions options, BlockObserver observer)
    : engine_(engine),
      channels_(channels),
      options_(options),
      observer_(std::move(observer)),
      framesToDrop_(options.keepLatency ? 0 : engine.getLatencySamples())
{
}

void StreamRenderer::render(const float* input, const float* sideChain, int sideChainChannels, std::int64_t frames,
                            std::vector<float>& output)
{
    output.clear();
    for (std::int64_t start = 0; start < frames; start += options_.blockSize)
    {
        const int blockFrames = static_cast<int>(std::min<std::int64_t>(options_.blockSize, frames - start));
        renderBlock(input + start * channels_, sideChain ? sideChain + start * sideChainChannels : nullptr,
                    sideChainChannels, blockFrames, output);
    }
}

void StreamRenderer::flush(std::vector<float>& output)
{
    output.clear();
    if (options_.keepLatency)
        return;
    const std::vector<float> silence(static_cast<std::size_t>(options_.blockSize * channels_), 0.0f);
    for (std::int64_t remaining = engine_.getLatencySamples(); remaining > 0; remaining -= options_.blockSize)
        renderBlock(silence.data(), nullptr, 0, static_cast<int>(std::min<std::int64_t>(options_.blockSize, remaining)),
                    output);
}

void StreamRenderer::renderBlock(const float* input, const float* sideChain, int sideChainChannels, int frames,
                                 std::vector<float>& output)
{
    float inputBlock[kCorvexMaxNumChannels][kCorvexMaxBufferSize];
    float sideChainBlock[kCorvexMaxNumChannels][kCorvexMaxBufferSize];
    float outputBlock[kCorvexMaxNumChannels][kCorvexMaxBufferSize];
    const float* inputs[kCorvexMaxNumChannels];
    const float* sideChains[kCorvexMaxNumChannels];
    float* outputs[kCorvexMaxNumChannels];
    for (int channel = 0; channel < channels_; ++channel)
    {
        const int sideChainChannel = std::min(channel, sideChainChannels - 1); // a mono side chain feeds both
        for (int frame = 0; frame < frames; ++frame)
        {
            inputBlock[channel][frame] = input[frame * channels_ + channel];
            if (sideChain != nullptr)
                sideChainBlock[channel][frame] = sideChain[frame * sideChainChannels + sideChainChannel];
        }
        inputs[channel] = inputBlock[channel];
        sideChains[channel] = sideChainBlock[channel];
        outputs[channel] = outputBlock[channel];
    }

    engine_.process(inputs, outputs, sideChain != nullptr ? sideChains : nullptr, channels_, frames);

    float meters[kNumMeters];
    for (int meter = 0; meter < kNumMeters; ++meter)
        meters[meter] = engine_.getMeterValue(meter);
    if (observer_)
        observer_(meters, frames);

    const int dropped = static_cast<int>(std::min<std::int64_t>(framesToDrop_, frames));
    framesToDrop_ -= dropped;
    for (int frame = dropped; frame < frames; ++frame)
    {
        for (int channel = 0; channel < channels_; ++channel)
            output.push_back(outputBlock[channel][frame]);
    }
}

} // namespace corvex::tool
