#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace corvex::plugin
{

// The gain reduction in a host's mixer strip (the LV2 inline display): the
// recent history as a curtain from the top, the current reduction as a bar at
// the right and its number, 0 dB at the top and kRangeDb at the bottom. The
// audio thread feeds it a block at a time; a host thread draws it.
class GainReductionDisplay
{
public:
    static constexpr int kHistoryColumns = 64;
    static constexpr float kRangeDb = -24.0f;
    static constexpr double kColumnsPerSecond = 20.0;

    // 32-bit ARGB pixels, opaque, row after row.
    struct Picture
    {
        std::uint32_t* pixels;
        int width, height;
    };

    // Control side: how many frames a column of history spans.
    void setSampleRate(double sampleRate);

    // Audio thread: the deepest reduction of a block, in dB (0 or negative).
    // Allocates nothing.
    void addBlock(float reductionDb, std::uint32_t frames);
    // Audio thread: whether a column was completed since it last asked.
    bool takeOutdated();

    // A host thread: the picture at the host's width, at most maxHeight high;
    // valid until the next call.
    Picture render(std::uint32_t width, std::uint32_t maxHeight);

private:
    std::array<std::atomic<float>, kHistoryColumns> historyDb_{};
    std::atomic<std::uint32_t> columnsDone_{0};
    std::atomic<bool> outdated_{false};
    std::uint32_t framesPerColumn_ = 2400;
    std::uint32_t columnFrames_ = 0;
    float columnDeepestDb_ = 0.0f;
    std::vector<std::uint32_t> pixels_;
};

} // namespace corvex::plugin
