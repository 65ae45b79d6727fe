#pragma once

#include "plugins/corvex/ui/control_widget.h"

namespace corvex::ui
{

// A rotary knob for a continuous parameter: caption above, value text below, an
// arc that grows from the left end (or from zero when the range spans it). A
// vertical or horizontal drag turns it across its travel in 200 units (2000
// with Shift or Ctrl); each wheel notch moves it a fortieth (a four-hundredth).
class Knob : public ControlWidget
{
public:
    Knob(int parameterId, PanelRect area, const char* caption, float diameter);

    void draw(DGL_NAMESPACE::NanoVG& painter, ControlHost& host) override;
    bool press(const PointerInput& input, ControlHost& host) override;
    void drag(const PointerInput& input, ControlHost& host) override;
    void release(ControlHost& host) override;
    void scroll(float notches, bool fine, ControlHost& host) override;

private:
    // Moves the knob to a travel position and sends the value if it changed,
    // beginning a gesture if none is open; release() ends it.
    void moveTo(float position, ControlHost& host);

    const char* caption_;
    float diameter_;
    float dragPosition_ = 0.0f;
    float lastX_ = 0.0f;
    float lastY_ = 0.0f;
    bool inGesture_ = false;
};

} // namespace corvex::ui
