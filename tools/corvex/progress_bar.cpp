#include "tools/corvex/progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace corvex::tool
{

namespace
{

constexpr double kShortestShownSeconds = 5.0;
constexpr int kBarWidth = 40;

} // namespace

ProgressBar::ProgressBar(std::int64_t totalFrames, int sampleRate)
    : totalFrames_(totalFrames),
      shown_(isatty(STDERR_FILENO) == 1 && static_cast<double>(totalFrames) > kShortestShownSeconds * sampleRate)
{
}

ProgressBar::~ProgressBar()
{
    if (shown_ && lastPercent_ >= 0)
        std::fprintf(stderr, "\r%*s\r", kBarWidth + 20, "");
}

void ProgressBar::update(std::int64_t doneFrames)
{
    if (!shown_ || totalFrames_ <= 0)
        return;
    const int percent = static_cast<int>(100 * std::min(doneFrames, totalFrames_) / totalFrames_);
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    std::fprintf(stderr, "\rprocessing [%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, ' ').c_str(), percent);
    std::fflush(stderr);
}

} // namespace corvex::tool
