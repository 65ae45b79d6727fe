#pragma once

#include "NanoVG.hpp"
#include "plugins/corvex/ui/panel_rect.h"

#include <array>

namespace corvex::ui
{

// The last few seconds of input level and gain reduction, scrolling from
// right to left: the input as a filled area rising from the bottom (dBFS), the
// gain reduction as a line hanging from the top (dB). Fed with the meters as
// they arrive and moved on by the frame time, at a fixed number of columns per
// second, so it scrolls at the same speed whatever the refresh rate.
class GainHistory
{
public:
    void setArea(PanelRect area) { area_ = area; }
    // A new meter value: the loudest input and the deepest reduction over the channels.
    void feedInput(float levelDb);
    void feedReduction(float reductionDb);
    void advance(float seconds);
    void draw(DGL_NAMESPACE::NanoVG& painter) const;

private:
    static constexpr int kColumnsPerSecond = 30;
    static constexpr int kColumns = 5 * kColumnsPerSecond;

    struct Column
    {
        float inputDb;
        float reductionDb;
    };

    float inputY(float levelDb) const;
    float reductionY(float reductionDb) const;

    PanelRect area_;
    std::array<Column, kColumns> columns_{};
    int newest_ = 0;
    Column latest_{-120.0f, 0.0f};
    Column pending_{-120.0f, 0.0f};
    float secondsDue_ = 0.0f;
    bool initialised_ = false;
};

} // namespace corvex::ui
