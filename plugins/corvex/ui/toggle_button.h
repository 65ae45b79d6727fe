#pragma once

#include "plugins/corvex/ui/control_widget.h"

namespace corvex::ui
{

// A switch as a button that stays lit while on; a click flips it. The power
// style is the effect's bypass: a round power symbol with its state beside it.
class ToggleButton : public ControlWidget
{
public:
    enum class Style
    {
        Labelled,
        Power
    };

    ToggleButton(int parameterId, PanelRect area, const char* caption, Style style = Style::Labelled);

    void draw(DGL_NAMESPACE::NanoVG& painter, ControlHost& host) override;
    bool press(const PointerInput& input, ControlHost& host) override;
    void scroll(float notches, bool fine, ControlHost& host) override;

private:
    void drawLabelled(DGL_NAMESPACE::NanoVG& painter, bool on);
    void drawPower(DGL_NAMESPACE::NanoVG& painter, bool on);
    void set(bool on, ControlHost& host);

    const char* caption_;
    Style style_;
};

} // namespace corvex::ui
