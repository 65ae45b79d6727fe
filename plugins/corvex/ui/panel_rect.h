#pragma once

namespace corvex::ui
{

// A rectangle on the panel, in panel units: the panel is laid out once at its
// design size and drawn scaled to the window, so every widget works in these
// units whatever the window's size or the screen's scale.
struct PanelRect
{
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;

    float right() const { return x + width; }
    float bottom() const { return y + height; }
    float centerX() const { return x + 0.5f * width; }
    float centerY() const { return y + 0.5f * height; }
    bool contains(float pointX, float pointY) const
    {
        return pointX >= x && pointX < right() && pointY >= y && pointY < bottom();
    }
    // The rectangle shrunk by the margin on every side.
    PanelRect inset(float margin) const { return {x + margin, y + margin, width - 2 * margin, height - 2 * margin}; }
};

} // namespace corvex::ui
