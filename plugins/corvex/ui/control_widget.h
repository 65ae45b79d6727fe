#pragma once

#include "NanoVG.hpp"
#include "plugins/corvex/ui/panel_rect.h"

#include <string>

namespace corvex::ui
{

class ParameterPresenter;

// What a control needs from the interface: the plain value it shows with its
// text, and a way to change it. Every change the user makes lies between
// beginGesture and endGesture, so that hosts record it as one edit.
class ControlHost
{
public:
    virtual ~ControlHost() = default;
    virtual float controlValue(int parameterId) const = 0;
    virtual const std::string& controlText(int parameterId) const = 0;
    virtual ParameterPresenter& presenter() = 0;
    virtual void beginGesture(int parameterId) = 0;
    virtual void changeControl(int parameterId, float plainValue) = 0;
    virtual void endGesture(int parameterId) = 0;

    // A discrete change (a click on a switch or a choice) as one whole gesture;
    // nothing when the control already holds the value.
    void changeControlInOneGesture(int parameterId, float plainValue)
    {
        if (plainValue == controlValue(parameterId))
            return;
        beginGesture(parameterId);
        changeControl(parameterId, plainValue);
        endGesture(parameterId);
    }
};

// Pointer input in panel units, with the modifier keys held.
struct PointerInput
{
    float x;
    float y;
    bool fine; // Shift or Ctrl: finer steps
};

// One control on the panel for one engine parameter. The interface routes the
// pointer to the control under it and keeps it until the button is released;
// a double click resets the control to its default there, before it gets the press.
class ControlWidget
{
public:
    ControlWidget(int parameterId, PanelRect area) : parameterId_(parameterId), area_(area) {}
    virtual ~ControlWidget() = default;

    int parameterId() const { return parameterId_; }
    const PanelRect& area() const { return area_; }

    virtual void draw(DGL_NAMESPACE::NanoVG& painter, ControlHost& host) = 0;
    // A button press on the control; true to keep the pointer until release (a drag).
    virtual bool press(const PointerInput& input, ControlHost& host) = 0;
    virtual void drag(const PointerInput& /*input*/, ControlHost& /*host*/) {}
    virtual void release(ControlHost& /*host*/) {}
    // Wheel notches: positive up.
    virtual void scroll(float notches, bool fine, ControlHost& host) = 0;

private:
    int parameterId_;
    PanelRect area_;
};

} // namespace corvex::ui
