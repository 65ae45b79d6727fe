#include "plugins/corvex/gain_reduction_display.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace corvex::plugin
{

namespace
{

constexpr std::uint32_t kBackground = 0xff1e2128u;
constexpr std::uint32_t kGrid = 0xff343842u;
constexpr std::uint32_t kHistory = 0xffa8432du;
constexpr std::uint32_t kBar = 0xffff6a3du;
constexpr std::uint32_t kText = 0xffe8e8e8u;

// Glyphs of 3 x 5 pixels, a row per 3 bits from the top, for the number and its unit.
constexpr std::string_view kGlyphNames = "0123456789-.dB ";
constexpr std::uint16_t kGlyphs[] = {
    0b111101101101111, 0b010110010010111, 0b111001111100111, 0b111001111001111, 0b101101111001001,
    0b111100111001111, 0b111100111101111, 0b111001001001001, 0b111101111101111, 0b111101111001111,
    0b000000111000000, 0b000000000000010, 0b001001111101111, 0b110101110101110, 0b000000000000000};

struct Canvas
{
    std::uint32_t* pixels;
    int width, height;

    void fill(int left, int top, int right, int bottom, std::uint32_t colour)
    {
        for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
            std::fill(pixels + y * width + std::max(left, 0), pixels + y * width + std::min(right, width), colour);
    }

    void text(std::string_view characters, int left, int top, int scale)
    {
        for (const char character : characters)
        {
            const std::size_t glyph = kGlyphNames.find(character);
            for (int row = 0; glyph != std::string_view::npos && row < 5; ++row)
                for (int column = 0; column < 3; ++column)
                    if ((kGlyphs[glyph] >> (14 - row * 3 - column)) & 1u)
                        fill(left + column * scale, top + row * scale, left + (column + 1) * scale,
                             top + (row + 1) * scale, kText);
            left += 4 * scale;
        }
    }
};

} // namespace

void GainReductionDisplay::setSampleRate(double sampleRate)
{
    framesPerColumn_ = static_cast<std::uint32_t>(std::max(1.0, std::round(sampleRate / kColumnsPerSecond)));
}

void GainReductionDisplay::addBlock(float reductionDb, std::uint32_t frames)
{
    // Local copies, stored once: the audio thread is the only writer.
    float deepestDb = std::min(columnDeepestDb_, reductionDb);
    std::uint32_t columnFrames = columnFrames_ + frames;
    if (columnFrames >= framesPerColumn_)
    {
        const std::uint32_t done = columnsDone_.load(std::memory_order_relaxed);
        historyDb_[done % kHistoryColumns].store(deepestDb, std::memory_order_relaxed);
        columnsDone_.store(done + 1, std::memory_order_release);
        outdated_.store(true, std::memory_order_relaxed);
        columnFrames = 0;
        deepestDb = 0.0f;
    }
    columnDeepestDb_ = deepestDb;
    columnFrames_ = columnFrames;
}

bool GainReductionDisplay::takeOutdated()
{
    return outdated_.exchange(false, std::memory_order_relaxed);
}

GainReductionDisplay::Picture GainReductionDisplay::render(std::uint32_t width, std::uint32_t maxHeight)
{
    const int w = static_cast<int>(std::clamp<std::uint32_t>(width, 1, 2048));
    const int h = static_cast<int>(
        std::min(std::max<std::uint32_t>(static_cast<std::uint32_t>(w) * 2 / 5, 8), std::max<std::uint32_t>(maxHeight, 1)));
    pixels_.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), kBackground);
    Canvas canvas{pixels_.data(), w, h};
    const auto depth = [h](float reductionDb) {
        return static_cast<int>(std::lround(std::clamp(reductionDb / kRangeDb, 0.0f, 1.0f) * static_cast<float>(h)));
    };
    for (const float gridDb : {-6.0f, -12.0f, -18.0f})
        canvas.fill(0, depth(gridDb), w, depth(gridDb) + 1, kGrid);

    // History from the oldest column at the left to the newest beside the bar.
    const std::uint32_t done = columnsDone_.load(std::memory_order_acquire);
    const int barWidth = std::max(3, w / 12);
    const int historyWidth = w - barWidth - 1;
    for (int x = 0; x < historyWidth; ++x)
    {
        const int age = (historyWidth - 1 - x) * kHistoryColumns / historyWidth; // columns back from the newest
        if (static_cast<std::uint32_t>(age) >= done)
            continue;
        const float reductionDb = historyDb_[(done - 1 - static_cast<std::uint32_t>(age)) % kHistoryColumns].load(
            std::memory_order_relaxed);
        canvas.fill(x, 0, x + 1, depth(reductionDb), kHistory);
    }
    const float currentDb = done > 0 ? historyDb_[(done - 1) % kHistoryColumns].load(std::memory_order_relaxed) : 0.0f;
    canvas.fill(w - barWidth, 0, w, depth(currentDb), kBar);

    char number[16];
    std::snprintf(number, sizeof number, "%.1f dB", currentDb > -0.05f ? 0.0f : currentDb);
    canvas.text(number, 2, 2, std::max(1, h / 24));
    return {pixels_.data(), w, h};
}

} // namespace corvex::plugin
