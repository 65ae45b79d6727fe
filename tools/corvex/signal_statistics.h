#pragma once

#include "engine/corvex_engine.h"

#include <cstdint>

namespace corvex::tool
{

// Peak and RMS level per channel of a stream of interleaved samples.
class LevelStatistics
{
public:
    explicit LevelStatistics(int channels) : channels_(channels) {}

    void add(const float* interleaved, std::int64_t frames);
    double peakDb(int channel) const;
    double rmsDb(int channel) const;

private:
    int channels_;
    std::int64_t frames_ = 0;
    double peak_[kCorvexMaxNumChannels] = {};
    double sumOfSquares_[kCorvexMaxNumChannels] = {};
};

// Largest and average gain reduction per channel, in positive dB, from the
// gain-reduction meters of every block weighted by the block's length.
class GainReductionStatistics
{
public:
    void addBlock(const float* meters, int frames);
    double largestDb(int channel) const;
    double averageDb(int channel) const;

private:
    std::int64_t frames_ = 0;
    double largest_[kCorvexMaxNumChannels] = {};
    double weightedSum_[kCorvexMaxNumChannels] = {};
};

} // namespace corvex::tool
