#include "tools/corvex/summary_line.h"

#include "tools/corvex/number_format.h"

#include <functional>

namespace corvex::tool
{

namespace
{

std::string perChannel(int channels, const std::function<double(int)>& value)
{
    std::string text;
    for (int channel = 0; channel < channels; ++channel)
        text += (channel == 0 ? "" : "/") + formatFixed(value(channel), 1);
    return text;
}

} // namespace

std::string summaryLine(int channels, const LevelStatistics& input, const LevelStatistics& output,
                        const GainReductionStatistics& reduction)
{
    const auto levels = [&](const char* label, const LevelStatistics& statistics) {
        return std::string(label) + " peak " +
               perChannel(channels, [&](int channel) { return statistics.peakDb(channel); }) + " dBFS, RMS " +
               perChannel(channels, [&](int channel) { return statistics.rmsDb(channel); }) + " dBFS";
    };
    return "summary: " + levels("in", input) + "; " + levels("out", output) + "; gain reduction largest " +
           perChannel(channels, [&](int channel) { return reduction.largestDb(channel); }) + " dB, average " +
           perChannel(channels, [&](int channel) { return reduction.averageDb(channel); }) + " dB";
}

} // namespace corvex::tool
