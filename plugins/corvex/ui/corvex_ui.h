#pragma once

#include "DistrhoUI.hpp"
#include "plugins/corvex/parameter_layout.h"
#include "plugins/corvex/ui/control_widget.h"
#include "plugins/corvex/ui/gain_history.h"
#include "plugins/corvex/ui/level_meter.h"
#include "plugins/corvex/ui/panel_layout.h"
#include "plugins/corvex/ui/parameter_presenter.h"
#include "plugins/corvex/ui/static_curve_view.h"
#include "plugins/corvex/ui/static_curve_worker.h"

#include <array>
#include <chrono>
#include <string>

START_NAMESPACE_DISTRHO

// The plug-in's panel, the same in every format: the controls in their groups,
// the meters, the gain-reduction history and the static curve, drawn with
// NanoVG at the panel's design size and scaled to the window. It knows the
// plug-in only through its parameters: controls go out with
// setParameterValue inside editParameter gestures, controls and meters come in
// through parameterChanged.
class CorvexUI : public UI, private corvex::ui::ControlHost
{
public:
    CorvexUI();

protected:
    void parameterChanged(uint32_t index, float value) override;
    void programLoaded(uint32_t index) override;
    // The plug-in keeps no state of its own beyond its controls: nothing to show.
    void stateChanged(const char*, const char*) override {}
    void uiIdle() override;
    void onNanoDisplay() override;
    bool onMouse(const MouseEvent& event) override;
    bool onMotion(const MotionEvent& event) override;
    bool onScroll(const ScrollEvent& event) override;
    // The file the user chose to load a preset from or save it to; null: none.
    void uiFileBrowserSelected(const char* filename) override;

private:
    // ControlHost: what the controls read and change.
    float controlValue(int parameterId) const override;
    const std::string& controlText(int parameterId) const override;
    corvex::ui::ParameterPresenter& presenter() override;
    void beginGesture(int parameterId) override;
    void changeControl(int parameterId, float plainValue) override;
    void endGesture(int parameterId) override;

    // Takes a control's new value: its text, and the static curve it changes.
    void showControl(int parameterId, float plainValue);
    void showMeter(uint32_t meter, float valueDb);
    // The pointer in panel units, and the control under it.
    corvex::ui::PointerInput pointer(double x, double y, uint modifiers) const;
    corvex::ui::ControlWidget* controlAt(const corvex::ui::PointerInput& input) const;
    float panelScale() const;
    void drawHeader();
    // The dark, outlined box of the preset name and of its buttons.
    void drawHeaderBox(const corvex::ui::PanelRect& area);
    void drawHeaderButton(const corvex::ui::PanelRect& area, const char* label);
    // Opens the file dialog in the user's preset folder, to load or to save.
    void choosePresetFile(bool saving);
    void loadPresetFile(const std::string& path);
    void savePresetFile(std::string path);
    void drawGroups();

    const corvex::plugin::ParameterLayout layout_;
    corvex::ui::ParameterPresenter presenter_;
    corvex::ui::PanelLayout panel_;
    std::array<float, kNumParameters> values_{};
    std::array<std::string, kNumParameters> texts_;
    std::array<float, kNumMeters> metersDb_{};

    corvex::ui::LevelMeter inputMeter_;
    corvex::ui::LevelMeter reductionMeter_;
    corvex::ui::LevelMeter outputMeter_;
    corvex::ui::GainHistory history_;
    corvex::ui::StaticCurveView curveView_;
    corvex::ui::StaticCurveWorker curveWorker_;
    bool curveDue_ = true;

    corvex::ui::ControlWidget* dragged_ = nullptr;
    corvex::ui::ControlWidget* lastPressed_ = nullptr;
    std::chrono::steady_clock::time_point lastPressTime_{};
    std::chrono::steady_clock::time_point lastIdle_{};

    std::string programName_;
    bool programEdited_ = false;
    bool savingPreset_ = false; // what the open file dialog is for

    DISTRHO_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(CorvexUI)
};

END_NAMESPACE_DISTRHO
