#include "plugins/corvex/ui/choice_selector.h"

#include "plugins/corvex/ui/parameter_presenter.h"
#include "plugins/corvex/ui/ui_theme.h"

#include <algorithm>
#include <cmath>

namespace corvex::ui
{

namespace
{

using DGL_NAMESPACE::NanoVG;

constexpr float kArrowWidth = 22.0f;

int choiceCount(ControlHost& host, int parameterId)
{
    return static_cast<int>(host.presenter().description(parameterId).choices.size());
}

void drawArrow(NanoVG& painter, float centerX, float centerY, float direction)
{
    painter.beginPath();
    painter.moveTo(centerX - 2.5f * direction, centerY - 4.5f);
    painter.lineTo(centerX + 2.5f * direction, centerY);
    painter.lineTo(centerX - 2.5f * direction, centerY + 4.5f);
    painter.strokeWidth(1.6f);
    painter.strokeColor(Theme::textDim());
    painter.stroke();
}

} // namespace

ChoiceSelector::ChoiceSelector(int parameterId, PanelRect area, const char* caption, float captionWidth, Style style)
    : ControlWidget(parameterId, area), caption_(caption), captionWidth_(captionWidth), style_(style)
{
}

PanelRect ChoiceSelector::choicesArea() const
{
    const PanelRect& box = area();
    return {box.x + captionWidth_, box.y, box.width - captionWidth_, box.height};
}

void ChoiceSelector::draw(NanoVG& painter, ControlHost& host)
{
    const int count = choiceCount(host, parameterId());
    const int selected = std::clamp(static_cast<int>(std::lround(host.controlValue(parameterId()))), 0, count - 1);
    if (captionWidth_ > 0.0f)
    {
        painter.fontSize(Theme::labelSize);
        painter.textAlign(NanoVG::ALIGN_LEFT | NanoVG::ALIGN_MIDDLE);
        painter.fillColor(Theme::textDim());
        painter.text(area().x, area().centerY() + 0.5f, caption_, nullptr);
    }
    if (style_ == Style::Segmented)
        drawSegments(painter, host, selected, count);
    else
        drawStepper(painter, host, selected, count);
}

// The well both forms sit in: a rounded, bordered box.
void ChoiceSelector::drawBox(NanoVG& painter, const PanelRect& box)
{
    painter.beginPath();
    painter.roundedRect(box.x + 0.5f, box.y + 0.5f, box.width - 1.0f, box.height - 1.0f, 4.0f);
    painter.fillColor(Theme::track());
    painter.fill();
    painter.strokeWidth(1.0f);
    painter.strokeColor(Theme::buttonBorder());
    painter.stroke();
}

void ChoiceSelector::drawSegments(NanoVG& painter, ControlHost& host, int selected, int count)
{
    const PanelRect box = choicesArea();
    drawBox(painter, box);

    const auto& choices = host.presenter().description(parameterId()).choices;
    const float segmentWidth = box.width / static_cast<float>(count);
    for (int choice = 0; choice < count; ++choice)
    {
        const float left = box.x + segmentWidth * static_cast<float>(choice);
        if (choice == selected)
        {
            painter.beginPath();
            painter.roundedRect(left + 2.0f, box.y + 2.0f, segmentWidth - 4.0f, box.height - 4.0f, 3.0f);
            painter.fillPaint(painter.linearGradient(left, box.y, left, box.bottom(), Theme::accent(),
                                                     Theme::Color(214, 132, 28)));
            painter.fill();
        }
        else if (choice > 0 && choice != selected + 1)
        {
            painter.beginPath();
            painter.moveTo(left + 0.5f, box.y + 6.0f);
            painter.lineTo(left + 0.5f, box.bottom() - 6.0f);
            painter.strokeColor(Theme::buttonBorder());
            painter.stroke();
        }
        painter.fontSize(Theme::valueSize);
        painter.textAlign(NanoVG::ALIGN_CENTER | NanoVG::ALIGN_MIDDLE);
        painter.fillColor(choice == selected ? Theme::Color(24, 20, 14) : Theme::textDim());
        painter.text(left + 0.5f * segmentWidth, box.centerY() + 0.5f, choices[choice].text.c_str(), nullptr);
    }
}

void ChoiceSelector::drawStepper(NanoVG& painter, ControlHost& host, int /*selected*/, int /*count*/)
{
    const PanelRect box = choicesArea();
    drawBox(painter, box);

    drawArrow(painter, box.x + 0.5f * kArrowWidth, box.centerY(), -1.0f);
    drawArrow(painter, box.right() - 0.5f * kArrowWidth, box.centerY(), 1.0f);

    painter.fontSize(Theme::valueSize);
    painter.textAlign(NanoVG::ALIGN_CENTER | NanoVG::ALIGN_MIDDLE);
    painter.fillColor(Theme::accent());
    painter.text(box.centerX(), box.centerY() + 0.5f, host.controlText(parameterId()).c_str(), nullptr);
}

bool ChoiceSelector::press(const PointerInput& input, ControlHost& host)
{
    const PanelRect box = choicesArea();
    if (!box.contains(input.x, input.y))
        return false;
    const int count = choiceCount(host, parameterId());
    const int selected = static_cast<int>(std::lround(host.controlValue(parameterId())));
    if (style_ == Style::Segmented)
        select(static_cast<int>((input.x - box.x) / box.width * static_cast<float>(count)), host);
    else // the left half steps back, the right half forth, wrapping around
        select((selected + (input.x < box.centerX() ? count - 1 : 1)) % count, host);
    return false;
}

void ChoiceSelector::scroll(float notches, bool /*fine*/, ControlHost& host)
{
    const int selected = static_cast<int>(std::lround(host.controlValue(parameterId())));
    select(selected + (notches > 0.0f ? 1 : -1), host);
}

void ChoiceSelector::select(int choice, ControlHost& host)
{
    const int count = choiceCount(host, parameterId());
    host.changeControlInOneGesture(parameterId(), static_cast<float>(std::clamp(choice, 0, count - 1)));
}

} // namespace corvex::ui
