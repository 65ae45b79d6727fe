#pragma once

#include "plugins/corvex/ui/control_widget.h"

namespace corvex::ui
{

// A choice among the engine's value texts, with a caption at its left. The
// segmented style shows every text as a button of its own (the ratios); the
// stepper style shows the current text between arrows that step back and
// forth (the detection modes, too many to show at once). The wheel steps too.
class ChoiceSelector : public ControlWidget
{
public:
    enum class Style
    {
        Segmented,
        Stepper
    };

    ChoiceSelector(int parameterId, PanelRect area, const char* caption, float captionWidth, Style style);

    void draw(DGL_NAMESPACE::NanoVG& painter, ControlHost& host) override;
    bool press(const PointerInput& input, ControlHost& host) override;
    void scroll(float notches, bool fine, ControlHost& host) override;

private:
    PanelRect choicesArea() const;
    static void drawBox(DGL_NAMESPACE::NanoVG& painter, const PanelRect& box);
    void drawSegments(DGL_NAMESPACE::NanoVG& painter, ControlHost& host, int selected, int count);
    void drawStepper(DGL_NAMESPACE::NanoVG& painter, ControlHost& host, int selected, int count);
    void select(int choice, ControlHost& host);

    const char* caption_;
    float captionWidth_;
    Style style_;
};

} // namespace corvex::ui
