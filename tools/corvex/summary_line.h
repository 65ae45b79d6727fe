#pragma once

#include "tools/corvex/signal_statistics.h"

#include <string>

namespace corvex::tool
{

// The one-line report after processing: peak and RMS in and out, largest and
// average gain reduction, each per channel (left/right for stereo).
std::string summaryLine(int channels, const LevelStatistics& input, const LevelStatistics& output,
                        const GainReductionStatistics& reduction);

} // namespace corvex::tool
