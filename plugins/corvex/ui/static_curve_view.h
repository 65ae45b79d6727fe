#pragma once

#include "NanoVG.hpp"
#include "plugins/corvex/ui/panel_rect.h"
#include "plugins/corvex/ui/static_curve_worker.h"

#include <vector>

namespace corvex::ui
{

// The static curve: output level against input level (dBFS) of the current
// settings, over a grid with the unity line, and a dot where the input now sits.
class StaticCurveView
{
public:
    void setArea(PanelRect area) { area_ = area; }
    void setCurve(std::vector<CurvePoint> points) { points_ = std::move(points); }
    void setInputLevel(float levelDb) { inputDb_ = levelDb; }
    void draw(DGL_NAMESPACE::NanoVG& painter) const;

private:
    // Where a level lies on either axis of the plot, 0 at the bottom or left.
    float fraction(float levelDb) const;
    // The curve's output at an input level, interpolated between the points.
    float outputAt(float inputDb) const;

    PanelRect area_;
    std::vector<CurvePoint> points_;
    float inputDb_ = -120.0f;
};

} // namespace corvex::ui
