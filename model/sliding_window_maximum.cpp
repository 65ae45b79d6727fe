#include "model/sliding_window_maximum.h"

#include "libraries/dsp/vector/vector_primitives.h"

#include <algorithm>
#include <iterator>

namespace corvex
{

void resetHoldWindow(HoldWindow& window)
{
    vec::zeroDoubles(window.holdValues, kHoldRingLength);
    window.head = 0;
    std::fill(std::begin(window.holdStamps), std::end(window.holdStamps), std::uint64_t{0});
    window.count = 0;
    window.front = 0;
    window.back = 0;
    window.seedFlag = 1;
    window.sampleCounter = static_cast<std::uint64_t>(kMaxHoldWindowSamples);
}

void SlidingWindowMaximum::load(HoldWindow& window)
{
    values_ = window.holdValues;
    stamps_ = window.holdStamps;
    head_ = window.head & kMask;
    count_ = std::clamp(window.count, std::int32_t{0}, std::int32_t{kMaxHoldWindowSamples});
    front_ = window.front & kMask;
    back_ = window.back & kMask;
    seed_ = window.seedFlag != 0;
    sampleCounter_ = window.sampleCounter;
}

void SlidingWindowMaximum::store(HoldWindow& window) const
{
    window.head = head_;
    window.count = count_;
    window.front = front_;
    window.back = back_;
    window.seedFlag = seed_ ? 1 : 0;
    window.sampleCounter = sampleCounter_;
}

} // namespace corvex
