#include "plugins/corvex/ui/level_meter.h"

#include "plugins/corvex/ui/ui_theme.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvex::ui
{

namespace
{

using DGL_NAMESPACE::NanoVG;

constexpr float kLevelTopDb = 6.0f;
constexpr float kLevelBottomDb = -60.0f;
constexpr float kReductionDeepestDb = 30.0f;
constexpr float kFallDbPerSecond = 30.0f;
constexpr float kHoldSeconds = 1.5f;
constexpr float kHeldFallDbPerSecond = 15.0f;
constexpr float kSilentReachDb = -200.0f;

constexpr float kCaptionHeight = 16.0f;
constexpr float kReadoutHeight = 18.0f;
constexpr float kBarWidth = 7.0f;
constexpr float kBarGap = 2.0f;

} // namespace

LevelMeter::LevelMeter(Kind kind, const char* caption, int numChannels)
    : kind_(kind), caption_(caption), numChannels_(numChannels)
{
    for (Channel& channel : channels_)
    {
        channel.latest = kind == Kind::Level ? kSilentReachDb : 0.0f;
        channel.pending = channel.shown = channel.held = reach(channel.latest);
    }
}

void LevelMeter::feed(int channel, float valueDb)
{
    Channel& meter = channels_[static_cast<std::size_t>(channel)];
    meter.latest = valueDb;
    meter.pending = std::max(meter.pending, reach(valueDb));
}

void LevelMeter::advance(float seconds)
{
    for (Channel& channel : channels_)
    {
        const float reached = channel.pending;
        channel.pending = reach(channel.latest);
        channel.shown = std::max(reached, channel.shown - kFallDbPerSecond * seconds);
        if (reached >= channel.held)
        {
            channel.held = reached;
            channel.holdSeconds = kHoldSeconds;
        }
        else if ((channel.holdSeconds -= seconds) < 0.0f)
        {
            channel.held = std::max(channel.shown, channel.held - kHeldFallDbPerSecond * seconds);
        }
    }
}

float LevelMeter::fraction(float reachDb) const
{
    if (kind_ == Kind::Level)
        return std::clamp((reachDb - kLevelBottomDb) / (kLevelTopDb - kLevelBottomDb), 0.0f, 1.0f);
    return std::clamp(reachDb / kReductionDeepestDb, 0.0f, 1.0f);
}

void LevelMeter::draw(NanoVG& painter) const
{
    const PanelRect& box = area_;
    const float barsWidth = static_cast<float>(numChannels_) * kBarWidth + static_cast<float>(numChannels_ - 1) * kBarGap;
    const PanelRect bars{box.x + 4.0f, box.y + kCaptionHeight, barsWidth, box.height - kCaptionHeight - kReadoutHeight};
    const bool level = kind_ == Kind::Level;

    painter.fontSize(Theme::labelSize);
    painter.textAlign(NanoVG::ALIGN_LEFT | NanoVG::ALIGN_TOP);
    painter.fillColor(Theme::textDim());
    painter.text(box.x + 2.0f, box.y, caption_, nullptr);

    // The scale: a tick and a number every 6 dB (levels) or 3 dB (reduction), at the bars' right.
    painter.fontSize(8.5f);
    painter.textAlign(NanoVG::ALIGN_LEFT | NanoVG::ALIGN_MIDDLE);
    const float step = level ? 6.0f : 3.0f;
    const float first = level ? kLevelTopDb : 0.0f;
    const float last = level ? kLevelBottomDb : -kReductionDeepestDb;
    for (float markDb = first; markDb >= last - 0.01f; markDb -= step)
    {
        const float y = level ? bars.bottom() - fraction(markDb) * bars.height : bars.y + fraction(-markDb) * bars.height;
        const bool labelled = level ? std::fmod(-markDb, 12.0f) < 0.01f || markDb > 0.0f : std::fmod(-markDb, 6.0f) < 0.01f;
        painter.beginPath();
        painter.moveTo(bars.right() + 2.0f, y);
        painter.lineTo(bars.right() + (labelled ? 6.0f : 4.0f), y);
        painter.strokeWidth(1.0f);
        painter.strokeColor(Theme::textFaint());
        painter.stroke();
        if (labelled)
        {
            char text[16];
            std::snprintf(text, sizeof text, "%d", static_cast<int>(std::fabs(markDb)));
            painter.fillColor(Theme::textFaint());
            painter.text(bars.right() + 8.0f, y, text, nullptr);
        }
    }

    float furthest = kSilentReachDb;
    for (int index = 0; index < numChannels_; ++index)
    {
        const Channel& channel = channels_[static_cast<std::size_t>(index)];
        const float x = bars.x + static_cast<float>(index) * (kBarWidth + kBarGap);
        painter.beginPath();
        painter.rect(x, bars.y, kBarWidth, bars.height);
        painter.fillColor(Theme::track());
        painter.fill();

        const float shown = fraction(channel.shown) * bars.height;
        if (shown > 0.0f)
        {
            painter.beginPath();
            if (level)
            {
                painter.rect(x, bars.bottom() - shown, kBarWidth, shown);
                // Green up to -12 dBFS, yellow to 0, red above.
                const float yellowAt = bars.bottom() - fraction(-12.0f) * bars.height;
                const float redAt = bars.bottom() - fraction(0.0f) * bars.height;
                painter.fillPaint(painter.linearGradient(x, yellowAt + 12.0f, x, redAt, Theme::level(), Theme::levelHot()));
                painter.fill();
                if (channel.shown > 0.0f)
                {
                    painter.beginPath();
                    painter.rect(x, bars.bottom() - shown, kBarWidth, redAt - (bars.bottom() - shown));
                    painter.fillColor(Theme::levelClip());
                    painter.fill();
                }
            }
            else
            {
                painter.rect(x, bars.y, kBarWidth, shown);
                painter.fillColor(Theme::reduction());
                painter.fill();
            }
        }
        const float heldAt = fraction(channel.held) * bars.height;
        if (heldAt > 0.0f)
        {
            const float y = level ? bars.bottom() - heldAt : bars.y + heldAt;
            painter.beginPath();
            painter.rect(x, y - 1.0f, kBarWidth, 2.0f);
            painter.fillColor(level && channel.held > 0.0f ? Theme::levelClip() : Theme::text());
            painter.fill();
        }
        furthest = std::max(furthest, channel.held);
    }

    // The number: the held peak (dBFS) or the held deepest reduction (dB).
    char readout[16];
    const float shownDb = level ? furthest : -furthest;
    if (level && furthest <= kLevelBottomDb - 30.0f)
        std::snprintf(readout, sizeof readout, "-inf");
    else // within a twentieth of 0 dB reads "0.0", never "-0.0"
        std::snprintf(readout, sizeof readout, "%.1f", std::fabs(shownDb) < 0.05f ? 0.0f : shownDb);
    painter.fontSize(Theme::valueSize);
    painter.textAlign(NanoVG::ALIGN_LEFT | NanoVG::ALIGN_BOTTOM);
    painter.fillColor(level ? Theme::text() : Theme::reduction());
    painter.text(box.x + 2.0f, box.bottom(), readout, nullptr);
}

} // namespace corvex::ui
