#include "plugins/corvex/ui/gain_history.h"

#include "plugins/corvex/ui/display_caption.h"
#include "plugins/corvex/ui/ui_theme.h"

#include <algorithm>
#include <cstdio>

namespace corvex::ui
{

namespace
{

using DGL_NAMESPACE::NanoVG;

constexpr float kLevelBottomDb = -60.0f;
constexpr float kReductionDeepestDb = 24.0f;
constexpr float kCaptionHeight = 18.0f;

} // namespace

void GainHistory::feedInput(float levelDb)
{
    latest_.inputDb = levelDb;
    pending_.inputDb = std::max(pending_.inputDb, levelDb);
}

void GainHistory::feedReduction(float reductionDb)
{
    latest_.reductionDb = reductionDb;
    pending_.reductionDb = std::min(pending_.reductionDb, reductionDb);
}

void GainHistory::advance(float seconds)
{
    if (!initialised_)
    {
        columns_.fill(latest_);
        initialised_ = true;
    }
    // A long pause (a hidden window) restarts the timing instead of replaying it.
    secondsDue_ = std::min(secondsDue_ + seconds, 1.0f);
    const float columnSeconds = 1.0f / kColumnsPerSecond;
    while (secondsDue_ >= columnSeconds)
    {
        secondsDue_ -= columnSeconds;
        newest_ = (newest_ + 1) % kColumns;
        columns_[static_cast<std::size_t>(newest_)] = pending_;
        pending_ = latest_;
    }
}

float GainHistory::inputY(float levelDb) const
{
    const float top = area_.y + kCaptionHeight;
    const float fraction = std::clamp(levelDb / kLevelBottomDb, 0.0f, 1.0f);
    return top + fraction * (area_.bottom() - top);
}

float GainHistory::reductionY(float reductionDb) const
{
    const float top = area_.y + kCaptionHeight;
    const float fraction = std::clamp(-reductionDb / kReductionDeepestDb, 0.0f, 1.0f);
    return top + fraction * (area_.bottom() - top);
}

void GainHistory::draw(NanoVG& painter) const
{
    const PanelRect& box = area_;
    const float top = box.y + kCaptionHeight;

    painter.fontSize(Theme::smallSize);
    painter.textAlign(NanoVG::ALIGN_LEFT | NanoVG::ALIGN_MIDDLE);
    for (int step = 0; step <= 4; ++step)
    {
        const float y = top + static_cast<float>(step) * 0.25f * (box.bottom() - top);
        painter.beginPath();
        painter.moveTo(box.x, y);
        painter.lineTo(box.right(), y);
        painter.strokeWidth(1.0f);
        painter.strokeColor(Theme::grid());
        painter.stroke();
        if (step == 0 || step == 4)
            continue;
        char text[16];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(kLevelBottomDb * static_cast<float>(step) / 4.0f));
        painter.fillColor(Theme::textFaint());
        painter.textAlign(NanoVG::ALIGN_LEFT | NanoVG::ALIGN_MIDDLE);
        painter.text(box.x + 4.0f, y - 6.0f, text, nullptr);
        std::snprintf(text, sizeof text, "-%d", static_cast<int>(kReductionDeepestDb * static_cast<float>(step) / 4.0f));
        painter.fillColor(Theme::reduction().withAlpha(0.55f));
        painter.textAlign(NanoVG::ALIGN_RIGHT | NanoVG::ALIGN_MIDDLE);
        painter.text(box.right() - 4.0f, y - 6.0f, text, nullptr);
    }

    const float columnWidth = box.width / static_cast<float>(kColumns - 1);
    auto columnAt = [this](int age) { return columns_[static_cast<std::size_t>((newest_ - age + kColumns) % kColumns)]; };

    // The input level, filled from the bottom, newest at the right.
    painter.beginPath();
    painter.moveTo(box.right(), box.bottom());
    for (int age = 0; age < kColumns; ++age)
        painter.lineTo(box.right() - static_cast<float>(age) * columnWidth, inputY(columnAt(age).inputDb));
    painter.lineTo(box.x, box.bottom());
    painter.closePath();
    painter.fillPaint(painter.linearGradient(box.x, top, box.x, box.bottom(), Theme::level().withAlpha(0.45f),
                                             Theme::level().withAlpha(0.08f)));
    painter.fill();

    // The gain reduction on top: a shaded band from 0 dB down to a bright line.
    painter.beginPath();
    painter.moveTo(box.right(), top);
    for (int age = 0; age < kColumns; ++age)
        painter.lineTo(box.right() - static_cast<float>(age) * columnWidth, reductionY(columnAt(age).reductionDb));
    painter.lineTo(box.x, top);
    painter.closePath();
    painter.fillColor(Theme::reduction().withAlpha(0.18f));
    painter.fill();
    painter.beginPath();
    for (int age = 0; age < kColumns; ++age)
    {
        const float x = box.right() - static_cast<float>(age) * columnWidth;
        const float y = reductionY(columnAt(age).reductionDb);
        if (age == 0)
            painter.moveTo(x, y);
        else
            painter.lineTo(x, y);
    }
    painter.lineJoin(NanoVG::ROUND);
    painter.strokeWidth(2.0f);
    painter.strokeColor(Theme::reduction());
    painter.stroke();

    // The legend.
    drawDisplayCaption(painter, box, "INPUT dBFS", Theme::level(), "GAIN REDUCTION dB", Theme::reduction());
}

} // namespace corvex::ui
