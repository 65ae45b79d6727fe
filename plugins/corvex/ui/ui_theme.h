#pragma once

#include "Color.hpp"

namespace corvex::ui
{

// The panel's colours and type sizes, in one place so that every widget
// matches: a dark graphite panel, amber for what the user sets, green for
// signal levels and red-orange for gain reduction.
struct Theme
{
    using Color = DGL_NAMESPACE::Color;

    static Color background() { return Color(17, 19, 23); }
    static Color headerTop() { return Color(38, 42, 50); }
    static Color headerBottom() { return Color(26, 29, 35); }
    static Color groupFill() { return Color(27, 30, 36); }
    static Color groupBorder() { return Color(44, 49, 58); }
    static Color displayFill() { return Color(12, 14, 17); }
    static Color grid() { return Color(255, 255, 255, 0.07f); }
    static Color gridStrong() { return Color(255, 255, 255, 0.16f); }

    static Color text() { return Color(214, 219, 227); }
    static Color textDim() { return Color(128, 136, 150); }
    static Color textFaint() { return Color(86, 93, 105); }

    static Color accent() { return Color(255, 168, 48); }
    static Color accentDim() { return Color(255, 168, 48, 0.25f); }
    static Color level() { return Color(70, 205, 140); }
    static Color levelHot() { return Color(240, 200, 60); }
    static Color levelClip() { return Color(255, 70, 60); }
    static Color reduction() { return Color(255, 96, 64); }
    static Color curve() { return Color(120, 190, 255); }

    static Color knobBody() { return Color(50, 55, 65); }
    static Color knobBodyDark() { return Color(30, 33, 39); }
    static Color track() { return Color(10, 11, 14); }
    static Color buttonOff() { return Color(36, 40, 48); }
    static Color buttonBorder() { return Color(58, 64, 76); }

    static constexpr float groupTitleSize = 11.0f;
    static constexpr float labelSize = 10.5f;
    static constexpr float valueSize = 12.0f;
    static constexpr float smallSize = 9.5f;
};

} // namespace corvex::ui
