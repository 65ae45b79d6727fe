#pragma once

#include "plugins/corvex/ui/control_widget.h"
#include "plugins/corvex/ui/panel_rect.h"

#include <memory>
#include <vector>

namespace corvex::ui
{

// A framed group on the panel with its title.
struct PanelGroup
{
    const char* title;
    PanelRect area;
};

// A fixed text on the panel, centred on a rectangle: captions over controls that share one.
struct PanelCaption
{
    const char* text;
    PanelRect area;
};

// Where everything sits on the panel at its design size: the header, the
// displays (history, static curve, meters) across the top and the controls in
// their groups below. The window shows the panel scaled, keeping its shape.
struct PanelLayout
{
    static constexpr float kWidth = 960.0f;
    static constexpr float kHeight = 560.0f;

    PanelRect header;
    PanelRect programName;
    PanelRect loadPreset, savePreset; // the user's presets, through a file dialog
    PanelRect history;
    PanelRect curve;
    PanelRect inputMeter;
    PanelRect reductionMeter;
    PanelRect outputMeter;
    std::vector<PanelGroup> groups;
    std::vector<PanelCaption> captions;
    std::vector<std::unique_ptr<ControlWidget>> controls;
};

PanelLayout layoutPanel();

} // namespace corvex::ui
