#include "plugins/corvex/ui/knob.h"

#include "plugins/corvex/ui/parameter_presenter.h"
#include "plugins/corvex/ui/ui_theme.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvex::ui
{

namespace
{

using DGL_NAMESPACE::NanoVG;

constexpr float kPi = std::numbers::pi_v<float>;
// The travel runs clockwise over 270 degrees, from lower left to lower right.
constexpr float kStartAngle = 0.75f * kPi;
constexpr float kSweepAngle = 1.5f * kPi;
constexpr float kDragUnitsPerTravel = 200.0f;
constexpr float kFineFactor = 10.0f;
constexpr float kNotchesPerTravel = 40.0f;

float angleAt(float position)
{
    return kStartAngle + kSweepAngle * position;
}

} // namespace

Knob::Knob(int parameterId, PanelRect area, const char* caption, float diameter)
    : ControlWidget(parameterId, area), caption_(caption), diameter_(diameter)
{
}

void Knob::draw(NanoVG& painter, ControlHost& host)
{
    const PanelRect& cell = area();
    ParameterPresenter& presenter = host.presenter();
    const int id = parameterId();
    const float position = presenter.positionFromValue(id, host.controlValue(id));
    // A range across zero draws its arc from zero, so a cut and a boost read alike.
    const plugin::PlainRange ends = presenter.range(id);
    const float origin = ends.minimum < 0.0f && ends.maximum > 0.0f ? presenter.positionFromValue(id, 0.0f) : 0.0f;

    painter.fontSize(Theme::labelSize);
    painter.textAlign(NanoVG::ALIGN_CENTER | NanoVG::ALIGN_TOP);
    painter.fillColor(Theme::textDim());
    painter.text(cell.centerX(), cell.y, caption_, nullptr);

    const float radius = 0.5f * diameter_;
    const float centerX = cell.centerX();
    const float centerY = cell.y + 17.0f + radius;

    painter.lineCap(NanoVG::ROUND);
    painter.beginPath();
    painter.arc(centerX, centerY, radius, kStartAngle, kStartAngle + kSweepAngle, NanoVG::CW);
    painter.strokeWidth(3.5f);
    painter.strokeColor(Theme::track());
    painter.stroke();

    const float from = angleAt(std::min(origin, position));
    const float to = angleAt(std::max(origin, position));
    if (to - from > 0.001f)
    {
        painter.beginPath();
        painter.arc(centerX, centerY, radius, from, to, NanoVG::CW);
        painter.strokeWidth(3.5f);
        painter.strokeColor(Theme::accent());
        painter.stroke();
    }

    // The cap: a soft shadow, a lit body and a pointer line.
    const float capRadius = radius - 6.0f;
    painter.beginPath();
    painter.circle(centerX, centerY + 2.0f, capRadius + 2.0f);
    painter.fillPaint(painter.radialGradient(centerX, centerY + 2.0f, capRadius - 2.0f, capRadius + 4.0f,
                                             Theme::Color(0, 0, 0, 0.5f), Theme::Color(0, 0, 0, 0.0f)));
    painter.fill();
    painter.beginPath();
    painter.circle(centerX, centerY, capRadius);
    painter.fillPaint(painter.linearGradient(centerX, centerY - capRadius, centerX, centerY + capRadius,
                                             Theme::knobBody(), Theme::knobBodyDark()));
    painter.fill();
    painter.strokeWidth(1.0f);
    painter.strokeColor(Theme::Color(255, 255, 255, 0.08f));
    painter.stroke();

    const float angle = angleAt(position);
    painter.beginPath();
    painter.moveTo(centerX + std::cos(angle) * capRadius * 0.35f, centerY + std::sin(angle) * capRadius * 0.35f);
    painter.lineTo(centerX + std::cos(angle) * capRadius * 0.85f, centerY + std::sin(angle) * capRadius * 0.85f);
    painter.strokeWidth(2.5f);
    painter.strokeColor(Theme::text());
    painter.stroke();

    painter.fontSize(Theme::valueSize);
    painter.textAlign(NanoVG::ALIGN_CENTER | NanoVG::ALIGN_TOP);
    painter.fillColor(Theme::text());
    painter.text(centerX, centerY + radius + 5.0f, host.controlText(id).c_str(), nullptr);
}

bool Knob::press(const PointerInput& input, ControlHost& host)
{
    dragPosition_ = host.presenter().positionFromValue(parameterId(), host.controlValue(parameterId()));
    lastX_ = input.x;
    lastY_ = input.y;
    return true;
}

void Knob::drag(const PointerInput& input, ControlHost& host)
{
    const float units = (lastY_ - input.y) + (input.x - lastX_);
    lastX_ = input.x;
    lastY_ = input.y;
    dragPosition_ = std::clamp(
        dragPosition_ + units / (kDragUnitsPerTravel * (input.fine ? kFineFactor : 1.0f)), 0.0f, 1.0f);
    moveTo(dragPosition_, host);
}

void Knob::release(ControlHost& host)
{
    if (inGesture_)
        host.endGesture(parameterId());
    inGesture_ = false;
}

void Knob::scroll(float notches, bool fine, ControlHost& host)
{
    const float position = host.presenter().positionFromValue(parameterId(), host.controlValue(parameterId()));
    moveTo(position + notches / (kNotchesPerTravel * (fine ? kFineFactor : 1.0f)), host);
    release(host);
}

void Knob::moveTo(float position, ControlHost& host)
{
    const float value = host.presenter().valueFromPosition(parameterId(), position);
    if (value == host.controlValue(parameterId()))
        return;
    // The gesture begins with the first change, so a click that moves nothing records no edit.
    if (!inGesture_)
        host.beginGesture(parameterId());
    inGesture_ = true;
    host.changeControl(parameterId(), value);
}

} // namespace corvex::ui
