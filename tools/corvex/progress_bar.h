#pragma once

#include <cstdint>

namespace corvex::tool
{

// A one-line progress bar on stderr, shown only when stderr is a terminal and
// the job is long enough to wait for.
class ProgressBar
{
public:
    ProgressBar(std::int64_t totalFrames, int sampleRate);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t doneFrames);

private:
    std::int64_t totalFrames_;
    bool shown_;
    int lastPercent_ = -1;
};

} // namespace corvex::tool
