#pragma once

#include "corvex_engine.h"

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace corvex::ui
{

// One point of the static curve: the steady output level of a sine of the input level.
struct CurvePoint
{
    float inputDb;
    float outputDb;
};

// Measures the static curve of a set of normalized values on a thread of its
// own, as the command-line tool does (a 1 kHz sine through a fresh engine per
// level), so that the interface never waits for it. Requests that arrive while
// a curve is measured are merged: the next curve measures the latest values.
class StaticCurveWorker
{
public:
    static constexpr int kLowestInputDb = -60;
    static constexpr int kHighestInputDb = 0;
    static constexpr int kStepDb = 2;

    StaticCurveWorker();
    ~StaticCurveWorker();
    StaticCurveWorker(const StaticCurveWorker&) = delete;
    StaticCurveWorker& operator=(const StaticCurveWorker&) = delete;

    void request(const std::array<float, kNumParameters>& normalizedValues);
    // Replaces points with the newest finished curve; false when there is none since the last call.
    bool takeCurve(std::vector<CurvePoint>& points);

private:
    void run();
    static std::vector<CurvePoint> measure(const std::array<float, kNumParameters>& normalizedValues);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::array<float, kNumParameters> requested_{};
    bool pending_ = false;
    bool stopping_ = false;
    std::vector<CurvePoint> finished_;
    bool fresh_ = false;
    std::thread thread_;
};

} // namespace corvex::ui
