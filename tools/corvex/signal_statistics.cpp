#include "tools/corvex/signal_statistics.h"

#include "libraries/host/decibels.h"

#include <algorithm>
#include <cmath>

namespace corvex::tool
{

void LevelStatistics::add(const float* interleaved, std::int64_t frames)
{
    for (std::int64_t frame = 0; frame < frames; ++frame)
    {
        for (int channel = 0; channel < channels_; ++channel)
        {
            const double sample = interleaved[frame * channels_ + channel];
            peak_[channel] = std::max(peak_[channel], std::fabs(sample));
            sumOfSquares_[channel] += sample * sample;
        }
    }
    frames_ += frames;
}

double LevelStatistics::peakDb(int channel) const
{
    return host::levelDb(peak_[channel]);
}

double LevelStatistics::rmsDb(int channel) const
{
    return frames_ == 0 ? host::kLevelFloorDb : host::levelDb(std::sqrt(sumOfSquares_[channel] / static_cast<double>(frames_)));
}

void GainReductionStatistics::addBlock(const float* meters, int frames)
{
    const int gainMeters[kCorvexMaxNumChannels] = {kMeterGainReduction0, kMeterGainReduction1};
    for (int channel = 0; channel < kCorvexMaxNumChannels; ++channel)
    {
        const double reductionDb = -host::levelDb(meters[gainMeters[channel]]);
        largest_[channel] = std::max(largest_[channel], reductionDb);
        weightedSum_[channel] += reductionDb * frames;
    }
    frames_ += frames;
}

double GainReductionStatistics::largestDb(int channel) const
{
    return largest_[channel];
}

double GainReductionStatistics::averageDb(int channel) const
{
    return frames_ == 0 ? 0.0 : weightedSum_[channel] / static_cast<double>(frames_);
}

} // namespace corvex::tool
