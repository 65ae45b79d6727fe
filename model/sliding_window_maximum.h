#pragma once

#include <cassert>
#include <cstdint>

namespace corvex
{

inline constexpr std::int32_t kHoldRingLength = 1024;    // entries in each ring, a power of two
inline constexpr std::int32_t kMaxHoldWindowSamples = 960; // 5 ms at 192000 Hz

// The record of a sliding-window maximum over the last W values (W <= 960):
// the values ring, written backwards from head; the stamp ring holding the
// monotonic queue of candidate stamps, occupying (front, back]; the seed flag
// of the first value after a reset; and the stamp of the newest value.
struct HoldWindow
{
    double holdValues[kHoldRingLength];
    std::int32_t head;
    std::uint64_t holdStamps[kHoldRingLength];
    std::int32_t count;
    std::int32_t front;
    std::int32_t back;
    std::uint8_t seedFlag;
    std::uint64_t sampleCounter;
};

// Rings cleared, counters 0, seed flag set, sample counter 960 (so that the
// counter minus the largest window never goes below zero).
void resetHoldWindow(HoldWindow& window);

// A block's working copy of a HoldWindow: the counters live here during the
// block, the rings stay in the record. load() before the block, store() after it.
class SlidingWindowMaximum
{
public:
    void load(HoldWindow& window);
    void store(HoldWindow& window) const;

    // Adds the newest value and returns the largest of it and the
    // windowSamples - 1 values before it (only values since the reset count).
    // windowSamples must lie in [1, kMaxHoldWindowSamples].
    double push(double value, std::int32_t windowSamples);

    // Entries in the monotonic queue; never more than the window.
    std::int32_t queuedCount() const { return count_; }

private:
    static constexpr std::int32_t kMask = kHoldRingLength - 1;

    double valueOf(std::uint64_t stamp) const
    {
        const auto age = static_cast<std::int32_t>((sampleCounter_ - stamp) & kMask);
        return values_[(head_ + age) & kMask];
    }

    void pushBack(std::uint64_t stamp)
    {
        back_ = (back_ + 1) & kMask;
        stamps_[back_] = stamp;
        ++count_;
    }

    // push() for a window of more than one sample, or the first value after a reset.
    double pushQueued(double value, std::int32_t windowSamples);

    void writeValue(double value)
    {
        head_ = (head_ - 1) & kMask;
        values_[head_] = value;
    }

    double* values_ = nullptr;
    std::uint64_t* stamps_ = nullptr;
    std::int32_t head_ = 0;
    std::int32_t count_ = 0;
    std::int32_t front_ = 0;
    std::int32_t back_ = 0;
    bool seed_ = false;
    std::uint64_t sampleCounter_ = 0;
};

[[gnu::always_inline]] inline double SlidingWindowMaximum::push(double value, std::int32_t windowSamples)
{
    assert(windowSamples >= 1 && windowSamples <= kMaxHoldWindowSamples);

    // A window of one sample holds nothing back: the value is its own maximum,
    // and the queue keeps only the newest stamp, as pushQueued() would leave it.
    if (windowSamples == 1 && !seed_)
    {
        ++sampleCounter_;
        writeValue(value);
        front_ = back_;
        pushBack(sampleCounter_);
        count_ = 1;
        return value;
    }
    return pushQueued(value, windowSamples);
}

inline double SlidingWindowMaximum::pushQueued(double value, std::int32_t windowSamples)
{
    if (seed_)
    {
        pushBack(sampleCounter_);
        writeValue(value);
        seed_ = false;
    }

    // Older entries that the new value exceeds can never be the maximum again;
    // equal values keep the older entry.
    while (count_ > 0 && value > valueOf(stamps_[back_]))
    {
        back_ = (back_ - 1) & kMask;
        --count_;
    }

    ++sampleCounter_;
    writeValue(value);
    pushBack(sampleCounter_);
    assert(count_ <= kMaxHoldWindowSamples + 1);

    // Entries older than the window leave at the front; the newest never does.
    const std::uint64_t oldestKept = sampleCounter_ - static_cast<std::uint64_t>(windowSamples);
    while (count_ > 1 && stamps_[(front_ + 1) & kMask] <= oldestKept)
    {
        front_ = (front_ + 1) & kMask;
        --count_;
    }
    assert(count_ <= windowSamples);

    return valueOf(stamps_[(front_ + 1) & kMask]);
}

} // namespace corvex
