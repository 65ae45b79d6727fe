#pragma once

#include "NanoVG.hpp"
#include "plugins/corvex/ui/panel_rect.h"

#include <array>

namespace corvex::ui
{

// A bar meter of one or two channels with its dB scale and a number below.
// Level meters rise from the bottom (peaks in dBFS); the gain-reduction meter
// hangs from the top (0 dB down to the deepest reduction). The plug-in reports a
// value per host block, and only when it changes, so the meter keeps the most
// extreme value between two frames, lets the bar fall back smoothly and holds
// the peak briefly: a 30-60 Hz refresh then shows every short peak.
class LevelMeter
{
public:
    enum class Kind
    {
        Level,
        Reduction
    };

    LevelMeter(Kind kind, const char* caption, int numChannels);

    void setArea(PanelRect area) { area_ = area; }
    // A new value of a channel's meter, in dB.
    void feed(int channel, float valueDb);
    // Moves the bars on by the time since the last frame.
    void advance(float seconds);
    void draw(DGL_NAMESPACE::NanoVG& painter) const;

private:
    // How far a value reaches: dB for levels, the reduction's depth for gain reduction.
    float reach(float valueDb) const { return kind_ == Kind::Level ? valueDb : -valueDb; }
    // The height, 0 to 1 of the bar, a reach fills.
    float fraction(float reachDb) const;

    struct Channel
    {
        float latest;  // last value reported
        float pending; // furthest since the last frame
        float shown;   // the bar
        float held;    // the peak mark
        float holdSeconds = 0.0f;
    };

    Kind kind_;
    const char* caption_;
    int numChannels_;
    PanelRect area_;
    std::array<Channel, 2> channels_{};
};

} // namespace corvex::ui
