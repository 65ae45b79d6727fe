#include "plugins/corvex/ui/toggle_button.h"

#include "plugins/corvex/ui/ui_theme.h"

#include <numbers>

namespace corvex::ui
{

namespace
{

using DGL_NAMESPACE::NanoVG;

constexpr float kPi = std::numbers::pi_v<float>;

} // namespace

ToggleButton::ToggleButton(int parameterId, PanelRect area, const char* caption, Style style)
    : ControlWidget(parameterId, area), caption_(caption), style_(style)
{
}

void ToggleButton::draw(NanoVG& painter, ControlHost& host)
{
    const bool on = host.controlValue(parameterId()) > 0.5f;
    if (style_ == Style::Power)
        drawPower(painter, on);
    else
        drawLabelled(painter, on);
}

void ToggleButton::drawLabelled(NanoVG& painter, bool on)
{
    const PanelRect& box = area();
    painter.beginPath();
    painter.roundedRect(box.x + 0.5f, box.y + 0.5f, box.width - 1.0f, box.height - 1.0f, 4.0f);
    painter.fillPaint(painter.linearGradient(box.x, box.y, box.x, box.bottom(),
                                             on ? Theme::Color(62, 52, 36) : Theme::buttonOff(),
                                             on ? Theme::Color(48, 40, 28) : Theme::Color(30, 33, 40)));
    painter.fill();
    painter.strokeWidth(1.0f);
    painter.strokeColor(on ? Theme::accent().withAlpha(0.7f) : Theme::buttonBorder());
    painter.stroke();

    // The lamp: lit amber with a glow when on, a dark socket when off.
    const float lampX = box.x + 11.0f;
    const float lampY = box.centerY();
    if (on)
    {
        painter.beginPath();
        painter.circle(lampX, lampY, 7.0f);
        painter.fillPaint(painter.radialGradient(lampX, lampY, 1.0f, 7.0f, Theme::accent().withAlpha(0.6f),
                                                 Theme::accent().withAlpha(0.0f)));
        painter.fill();
    }
    painter.beginPath();
    painter.circle(lampX, lampY, 3.0f);
    painter.fillColor(on ? Theme::accent() : Theme::track());
    painter.fill();

    painter.fontSize(Theme::labelSize);
    painter.textAlign(NanoVG::ALIGN_CENTER | NanoVG::ALIGN_MIDDLE);
    painter.fillColor(on ? Theme::text() : Theme::textDim());
    painter.text(box.centerX() + 7.0f, lampY + 0.5f, caption_, nullptr);
}

void ToggleButton::drawPower(NanoVG& painter, bool on)
{
    const PanelRect& box = area();
    const float radius = 0.5f * box.height;
    const float centerX = box.x + radius;
    const float centerY = box.centerY();
    const Theme::Color lit = on ? Theme::accent() : Theme::textFaint();

    painter.beginPath();
    painter.roundedRect(box.x, box.y, box.width, box.height, radius);
    painter.fillColor(Theme::Color(0, 0, 0, 0.35f));
    painter.fill();
    painter.strokeWidth(1.0f);
    painter.strokeColor(on ? Theme::accent().withAlpha(0.55f) : Theme::buttonBorder());
    painter.stroke();

    if (on)
    {
        painter.beginPath();
        painter.circle(centerX, centerY, radius);
        painter.fillPaint(painter.radialGradient(centerX, centerY, 2.0f, radius, Theme::accent().withAlpha(0.35f),
                                                 Theme::accent().withAlpha(0.0f)));
        painter.fill();
    }
    // The power symbol: an open ring with a bar through its gap.
    const float symbolRadius = radius * 0.42f;
    painter.lineCap(NanoVG::ROUND);
    painter.beginPath();
    painter.arc(centerX, centerY, symbolRadius, -0.5f * kPi + 0.55f, 1.5f * kPi - 0.55f, NanoVG::CW);
    painter.strokeWidth(2.0f);
    painter.strokeColor(lit);
    painter.stroke();
    painter.beginPath();
    painter.moveTo(centerX, centerY - symbolRadius - 2.0f);
    painter.lineTo(centerX, centerY - 1.0f);
    painter.stroke();

    painter.fontSize(Theme::labelSize);
    painter.textAlign(NanoVG::ALIGN_LEFT | NanoVG::ALIGN_MIDDLE);
    painter.fillColor(on ? Theme::text() : Theme::textDim());
    painter.text(box.x + 2.0f * radius + 4.0f, centerY + 0.5f, on ? caption_ : "BYPASSED", nullptr);
}

bool ToggleButton::press(const PointerInput& /*input*/, ControlHost& host)
{
    set(!(host.controlValue(parameterId()) > 0.5f), host);
    return false;
}

void ToggleButton::scroll(float notches, bool /*fine*/, ControlHost& host)
{
    set(notches > 0.0f, host);
}

void ToggleButton::set(bool on, ControlHost& host)
{
    host.changeControlInOneGesture(parameterId(), on ? 1.0f : 0.0f);
}

} // namespace corvex::ui
