#pragma once

#include "NanoVG.hpp"
#include "plugins/corvex/ui/panel_rect.h"
#include "plugins/corvex/ui/ui_theme.h"

namespace corvex::ui
{

// The caption line of a display: what it shows on the left, its axis or unit on
// the right, each in its own colour, along the top edge of the box.
inline void drawDisplayCaption(DGL_NAMESPACE::NanoVG& painter, const PanelRect& box, const char* left,
                               Theme::Color leftColor, const char* right, Theme::Color rightColor)
{
    using DGL_NAMESPACE::NanoVG;
    painter.fontSize(Theme::labelSize);
    painter.textAlign(NanoVG::ALIGN_LEFT | NanoVG::ALIGN_TOP);
    painter.fillColor(leftColor);
    painter.text(box.x + 2.0f, box.y + 1.0f, left, nullptr);
    painter.textAlign(NanoVG::ALIGN_RIGHT | NanoVG::ALIGN_TOP);
    painter.fillColor(rightColor);
    painter.text(box.right() - 2.0f, box.y + 1.0f, right, nullptr);
}

} // namespace corvex::ui
