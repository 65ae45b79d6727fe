#include "plugins/corvex/ui/static_curve_worker.h"

#include "libraries/host/static_curve.h"

#include <memory>

namespace corvex::ui
{

StaticCurveWorker::StaticCurveWorker() : thread_([this] { run(); })
{
}

StaticCurveWorker::~StaticCurveWorker()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void StaticCurveWorker::request(const std::array<float, kNumParameters>& normalizedValues)
{
    {
        std::lock_guard lock(mutex_);
        requested_ = normalizedValues;
        pending_ = true;
    }
    wake_.notify_one();
}

bool StaticCurveWorker::takeCurve(std::vector<CurvePoint>& points)
{
    std::lock_guard lock(mutex_);
    if (!fresh_)
        return false;
    points = finished_;
    fresh_ = false;
    return true;
}

void StaticCurveWorker::run()
{
    for (;;)
    {
        std::array<float, kNumParameters> values{};
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return pending_ || stopping_; });
            if (stopping_)
                return;
            values = requested_;
            pending_ = false;
        }
        std::vector<CurvePoint> points = measure(values);
        std::lock_guard lock(mutex_);
        finished_ = std::move(points);
        fresh_ = true;
    }
}

std::vector<CurvePoint> StaticCurveWorker::measure(const std::array<float, kNumParameters>& normalizedValues)
{
    std::vector<CurvePoint> points;
    for (int inputDb = kLowestInputDb; inputDb <= kHighestInputDb; inputDb += kStepDb)
    {
        const std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
        if (!engine)
            return {};
        engine->setSampleRate(host::kStaticCurveSampleRate);
        for (int id = 0; id < kNumParameters; ++id)
            engine->setNormalizedValue(id, normalizedValues[static_cast<std::size_t>(id)]);
        points.push_back({static_cast<float>(inputDb),
                          static_cast<float>(host::steadyStateOutputDb(*engine, static_cast<double>(inputDb)))});
    }
    return points;
}

} // namespace corvex::ui
