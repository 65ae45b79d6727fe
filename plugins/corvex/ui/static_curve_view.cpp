#include "plugins/corvex/ui/static_curve_view.h"

#include "plugins/corvex/ui/display_caption.h"
#include "plugins/corvex/ui/ui_theme.h"

#include <algorithm>
#include <cstdio>

namespace corvex::ui
{

namespace
{

using DGL_NAMESPACE::NanoVG;

constexpr float kLowestDb = static_cast<float>(StaticCurveWorker::kLowestInputDb);
constexpr float kHighestDb = static_cast<float>(StaticCurveWorker::kHighestInputDb);
constexpr float kCaptionHeight = 18.0f;

} // namespace

float StaticCurveView::fraction(float levelDb) const
{
    return (levelDb - kLowestDb) / (kHighestDb - kLowestDb);
}

float StaticCurveView::outputAt(float inputDb) const
{
    for (std::size_t index = 1; index < points_.size(); ++index)
    {
        const CurvePoint& low = points_[index - 1];
        const CurvePoint& high = points_[index];
        if (inputDb <= high.inputDb)
        {
            const float along = std::clamp((inputDb - low.inputDb) / (high.inputDb - low.inputDb), 0.0f, 1.0f);
            return low.outputDb + along * (high.outputDb - low.outputDb);
        }
    }
    return points_.back().outputDb;
}

void StaticCurveView::draw(NanoVG& painter) const
{
    const PanelRect plot{area_.x, area_.y + kCaptionHeight, area_.width, area_.height - kCaptionHeight};
    auto xAt = [&](float levelDb) { return plot.x + fraction(levelDb) * plot.width; };
    auto yAt = [&](float levelDb) { return plot.bottom() - fraction(levelDb) * plot.height; };

    drawDisplayCaption(painter, area_, "STATIC CURVE", Theme::curve(), "OUT / IN dBFS", Theme::textFaint());

    painter.fontSize(Theme::smallSize);
    for (float levelDb = kLowestDb; levelDb <= kHighestDb; levelDb += 12.0f)
    {
        painter.beginPath();
        painter.moveTo(xAt(levelDb), plot.y);
        painter.lineTo(xAt(levelDb), plot.bottom());
        painter.moveTo(plot.x, yAt(levelDb));
        painter.lineTo(plot.right(), yAt(levelDb));
        painter.strokeWidth(1.0f);
        painter.strokeColor(Theme::grid());
        painter.stroke();
        if (levelDb > kLowestDb && levelDb < kHighestDb)
        {
            char text[8];
            std::snprintf(text, sizeof text, "%d", static_cast<int>(levelDb));
            painter.fillColor(Theme::textFaint());
            painter.textAlign(NanoVG::ALIGN_CENTER | NanoVG::ALIGN_BOTTOM);
            painter.text(xAt(levelDb), plot.bottom() - 2.0f, text, nullptr);
            painter.textAlign(NanoVG::ALIGN_LEFT | NanoVG::ALIGN_MIDDLE);
            painter.text(plot.x + 3.0f, yAt(levelDb), text, nullptr);
        }
    }
    // Unity: where the output would lie without any processing.
    painter.beginPath();
    painter.moveTo(xAt(kLowestDb), yAt(kLowestDb));
    painter.lineTo(xAt(kHighestDb), yAt(kHighestDb));
    painter.strokeColor(Theme::gridStrong());
    painter.stroke();

    if (points_.size() < 2)
        return;
    painter.save();
    painter.scissor(plot.x, plot.y, plot.width, plot.height);
    painter.beginPath();
    painter.moveTo(xAt(points_.front().inputDb), yAt(points_.front().outputDb));
    for (const CurvePoint& point : points_)
        painter.lineTo(xAt(point.inputDb), yAt(point.outputDb));
    painter.lineTo(xAt(points_.back().inputDb), plot.bottom());
    painter.lineTo(xAt(points_.front().inputDb), plot.bottom());
    painter.closePath();
    painter.fillPaint(painter.linearGradient(plot.x, plot.y, plot.x, plot.bottom(), Theme::curve().withAlpha(0.22f),
                                             Theme::curve().withAlpha(0.02f)));
    painter.fill();

    painter.beginPath();
    painter.moveTo(xAt(points_.front().inputDb), yAt(points_.front().outputDb));
    for (const CurvePoint& point : points_)
        painter.lineTo(xAt(point.inputDb), yAt(point.outputDb));
    painter.lineJoin(NanoVG::ROUND);
    painter.strokeWidth(2.2f);
    painter.strokeColor(Theme::curve());
    painter.stroke();

    if (inputDb_ > kLowestDb)
    {
        const float inputDb = std::min(inputDb_, kHighestDb);
        painter.beginPath();
        painter.circle(xAt(inputDb), yAt(outputAt(inputDb)), 4.0f);
        painter.fillColor(Theme::text());
        painter.fill();
    }
    painter.restore();
}

} // namespace corvex::ui
