#include "model/sliding_window_maximum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace corvex
{
namespace
{

// A fresh, reset window on the heap (the record holds two 8 KiB rings).
std::unique_ptr<HoldWindow> freshWindow()
{
    auto window = std::make_unique<HoldWindow>();
    resetHoldWindow(*window);
    return window;
}

// The largest of values[i - window + 1 .. i], counting only values since the reset.
double bruteForceMaximum(const std::vector<double>& values, std::size_t i, int window)
{
    const std::size_t first = i + 1 >= static_cast<std::size_t>(window) ? i + 1 - window : 0;
    return *std::max_element(values.begin() + static_cast<std::ptrdiff_t>(first),
                             values.begin() + static_cast<std::ptrdiff_t>(i) + 1);
}

TEST(SlidingWindowMaximum, ResetEmptiesAndSeedsTheWindow)
{
    HoldWindow window{};
    window.count = 17;
    window.head = 5;
    window.holdValues[3] = 1.0;
    window.holdStamps[8] = 44;
    resetHoldWindow(window);
    EXPECT_EQ(window.count, 0);
    EXPECT_EQ(window.front, 0);
    EXPECT_EQ(window.back, 0);
    EXPECT_EQ(window.head, 0);
    EXPECT_EQ(window.seedFlag, 1);
    EXPECT_EQ(window.sampleCounter, 960u);
    EXPECT_EQ(window.holdValues[3], 0.0);
    EXPECT_EQ(window.holdStamps[8], 0u);
}

TEST(SlidingWindowMaximum, WindowOfOneReturnsEachValue)
{
    auto window = freshWindow();
    SlidingWindowMaximum hold;
    hold.load(*window);
    std::mt19937 random(11);
    std::uniform_real_distribution<double> value(0.0, 5.0);
    for (int i = 0; i < 3000; ++i)
    {
        const double h = value(random);
        ASSERT_EQ(hold.push(h, 1), h);
        ASSERT_EQ(hold.queuedCount(), 1);
    }
}

TEST(SlidingWindowMaximum, MatchesABruteForceMaximumAcrossBlocks)
{
    for (int w : {2, 7, 480, 960})
    {
        auto window = freshWindow();
        std::mt19937 random(static_cast<unsigned>(w));
        std::uniform_real_distribution<double> value(0.0, 1.0);
        std::vector<double> values;
        for (int block = 0; block < 300; ++block)
        {
            SlidingWindowMaximum hold;
            hold.load(*window);
            for (int i = 0; i < 32; ++i)
            {
                // Steps of a coarse grid give many equal values.
                values.push_back(std::floor(value(random) * 16.0) / 16.0);
                ASSERT_EQ(hold.push(values.back(), w), bruteForceMaximum(values, values.size() - 1, w))
                    << "window " << w << " sample " << values.size() - 1;
            }
            hold.store(*window);
        }
    }
}

TEST(SlidingWindowMaximum, WorstCaseFallingInputKeepsTheQueueWithinTheWindow)
{
    // A monotonically falling input never leaves an entry dominated: the queue
    // fills up to the whole window of 960 (5 ms at 192 kHz) and stays there.
    auto window = freshWindow();
    constexpr int kWindow = 960;
    int largest = 0;
    double h = 1.0;
    std::vector<double> values;
    for (int block = 0; block < 200; ++block)
    {
        SlidingWindowMaximum hold;
        hold.load(*window);
        for (int i = 0; i < 32; ++i)
        {
            h *= 0.9995;
            values.push_back(h);
            ASSERT_EQ(hold.push(h, kWindow), bruteForceMaximum(values, values.size() - 1, kWindow));
            largest = std::max(largest, hold.queuedCount());
            ASSERT_LE(hold.queuedCount(), kWindow);
        }
        hold.store(*window);
        ASSERT_GE(window->head, 0);
        ASSERT_LT(window->head, 1024);
        ASSERT_GE(window->front, 0);
        ASSERT_LT(window->front, 1024);
        ASSERT_GE(window->back, 0);
        ASSERT_LT(window->back, 1024);
    }
    EXPECT_EQ(largest, kWindow);
    EXPECT_EQ(window->count, kWindow);
}

TEST(SlidingWindowMaximum, EqualValuesKeepTheOlderEntry)
{
    // A constant input keeps every entry until it expires; the front is always
    // the oldest, so a rise after it replaces the whole queue at once.
    auto window = freshWindow();
    SlidingWindowMaximum hold;
    hold.load(*window);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(hold.push(0.5, 40), 0.5);
    EXPECT_EQ(hold.queuedCount(), 40);
    EXPECT_EQ(hold.push(0.75, 40), 0.75);
    EXPECT_EQ(hold.queuedCount(), 1);
}

TEST(SlidingWindowMaximum, ShrinkingTheWindowDropsTheOlderEntriesAtOnce)
{
    auto window = freshWindow();
    SlidingWindowMaximum hold;
    hold.load(*window);
    double h = 1.0;
    for (int i = 0; i < 2000; ++i)
        hold.push(h *= 0.999, 960);
    ASSERT_EQ(hold.queuedCount(), 960);
    const double next = h * 0.999;
    EXPECT_EQ(hold.push(next, 1), next);
    EXPECT_EQ(hold.queuedCount(), 1);
}

TEST(SlidingWindowMaximum, CountsOnlyValuesSinceTheReset)
{
    auto window = freshWindow();
    SlidingWindowMaximum hold;
    hold.load(*window);
    EXPECT_EQ(hold.push(0.25, 960), 0.25);
    EXPECT_EQ(hold.push(0.125, 960), 0.25);
    hold.store(*window);

    resetHoldWindow(*window);
    hold.load(*window);
    EXPECT_EQ(hold.push(0.0625, 960), 0.0625);
}

} // namespace
} // namespace corvex
