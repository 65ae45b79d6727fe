#include "libraries/host/stream_renderer.h"

#include <algorithm>

namespace corvex::host
{

StreamRenderer::StreamRenderer(CorvexEngine& engine, int channels, RenderOptions options, BlockObserver observer,
                               std::span<const AutomationPoint> automation)
    : engine_(engine),
      channels_(channels),
      options_(options),
      observer_(std::move(observer)),
      automation_(automation.begin(), automation.end()),
      framesToDrop_(options.keepLatency ? 0 : engine.getLatencySamples())
{
}

void StreamRenderer::addAutomation(std::span<const AutomationPoint> points)
{
    automation_.insert(automation_.end(), points.begin(), points.end());
    if (blockFrames_ != 0 && nextPoint_ < automation_.size())
        blockFrames_ = static_cast<int>(
            std::min<std::int64_t>(blockFrames_, automation_[nextPoint_].positionSamples - blockStartSamples_));
}

void StreamRenderer::render(const float* input, const float* sideChain, int sideChainChannels, std::int64_t frames,
                            std::vector<float>& output)
{
    output.clear();
    for (std::int64_t done = 0; done < frames;)
    {
        if (blockFrames_ == 0)
            startBlock();
        const int count = static_cast<int>(std::min<std::int64_t>(blockFrames_ - filledFrames_, frames - done));
        addFrames(input + done * channels_, sideChain ? sideChain + done * sideChainChannels : nullptr,
                  sideChainChannels, count);
        done += count;
        if (filledFrames_ == blockFrames_)
            processBlock(output);
    }
}

void StreamRenderer::flush(std::vector<float>& output)
{
    output.clear();
    automation_.clear();
    if (blockFrames_ != 0) // the waiting block, cut at the input's last point no more
        blockFrames_ = options_.blockSize - static_cast<int>(blockStartSamples_ % options_.blockSize);
    const float silence[kCorvexMaxBufferSize * kCorvexMaxNumChannels] = {};
    for (std::int64_t remaining = options_.keepLatency ? 0 : engine_.getLatencySamples(); remaining > 0;)
    {
        if (blockFrames_ == 0)
            startBlock();
        const int count = static_cast<int>(std::min<std::int64_t>(blockFrames_ - filledFrames_, remaining));
        addFrames(silence, nullptr, 0, count);
        remaining -= count;
        if (filledFrames_ == blockFrames_)
            processBlock(output);
    }
    if (filledFrames_ > 0)
    {
        blockFrames_ = filledFrames_;
        processBlock(output);
    }
}

void StreamRenderer::startBlock()
{
    for (; nextPoint_ < automation_.size() && automation_[nextPoint_].positionSamples <= blockStartSamples_;
         ++nextPoint_)
        engine_.setNormalizedValue(automation_[nextPoint_].parameterId, automation_[nextPoint_].normalizedValue);
    std::int64_t frames = options_.blockSize - blockStartSamples_ % options_.blockSize;
    if (nextPoint_ < automation_.size())
        frames = std::min(frames, automation_[nextPoint_].positionSamples - blockStartSamples_);
    blockFrames_ = static_cast<int>(frames);
}

void StreamRenderer::addFrames(const float* input, const float* sideChain, int sideChainChannels, int frames)
{
    // The side chain's block holds silence wherever the block has no side chain;
    // a block without any passes none to the engine, so nothing is written then.
    if (sideChain != nullptr && !blockHasSideChain_)
    {
        for (int channel = 0; channel < channels_; ++channel)
            std::fill_n(sideChainBlock_[channel], filledFrames_, 0.0f);
    }
    float* const left = inputBlock_[0] + filledFrames_;
    float* const right = inputBlock_[1] + filledFrames_;
    if (channels_ == 2) // spelled out for the compiler: most streams are stereo
    {
        for (int frame = 0; frame < frames; ++frame)
        {
            left[frame] = input[2 * frame];
            right[frame] = input[2 * frame + 1];
        }
    }
    else
        std::copy_n(input, frames, left);
    for (int channel = 0; channel < channels_; ++channel)
    {
        const int sideChainChannel = std::min(channel, sideChainChannels - 1); // a mono side chain feeds both
        if (sideChain != nullptr)
        {
            for (int frame = 0; frame < frames; ++frame)
                sideChainBlock_[channel][filledFrames_ + frame] =
                    sideChain[frame * sideChainChannels + sideChainChannel];
        }
        else if (blockHasSideChain_)
            std::fill_n(sideChainBlock_[channel] + filledFrames_, frames, 0.0f);
    }
    blockHasSideChain_ = blockHasSideChain_ || sideChain != nullptr;
    filledFrames_ += frames;
}

void StreamRenderer::processBlock(std::vector<float>& output)
{
    float outputBlock[kCorvexMaxNumChannels][kCorvexMaxBufferSize];
    const float* inputs[kCorvexMaxNumChannels];
    const float* sideChains[kCorvexMaxNumChannels];
    float* outputs[kCorvexMaxNumChannels];
    for (int channel = 0; channel < channels_; ++channel)
    {
        inputs[channel] = inputBlock_[channel];
        sideChains[channel] = sideChainBlock_[channel];
        outputs[channel] = outputBlock[channel];
    }
    engine_.process(inputs, outputs, blockHasSideChain_ ? sideChains : nullptr, channels_, blockFrames_);

    if (observer_)
    {
        float meters[kNumMeters];
        for (int meter = 0; meter < kNumMeters; ++meter)
            meters[meter] = engine_.getMeterValue(meter);
        observer_(meters, blockFrames_);
    }

    const int dropped = static_cast<int>(std::min<std::int64_t>(framesToDrop_, blockFrames_));
    framesToDrop_ -= dropped;
    float interleaved[kCorvexMaxBufferSize * kCorvexMaxNumChannels];
    if (channels_ == 2)
    {
        for (int frame = dropped; frame < blockFrames_; ++frame)
        {
            interleaved[2 * frame] = outputBlock[0][frame];
            interleaved[2 * frame + 1] = outputBlock[1][frame];
        }
    }
    else
        std::copy(outputBlock[0] + dropped, outputBlock[0] + blockFrames_, interleaved + dropped);
    output.insert(output.end(), interleaved + dropped * channels_, interleaved + blockFrames_ * channels_);
    blockStartSamples_ += blockFrames_;
    blockFrames_ = 0;
    filledFrames_ = 0;
    blockHasSideChain_ = false;
}

} // namespace corvex::host
