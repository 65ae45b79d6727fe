#include "plugins/corvex/ui/panel_layout.h"

#include "corvex_engine.h"
#include "plugins/corvex/ui/choice_selector.h"
#include "plugins/corvex/ui/knob.h"
#include "plugins/corvex/ui/toggle_button.h"

namespace corvex::ui
{

namespace
{

constexpr float kMargin = 12.0f;
constexpr float kGap = 8.0f;
constexpr float kHeaderHeight = 44.0f;
constexpr float kDisplayTop = kHeaderHeight + kGap;
constexpr float kDisplayHeight = 258.0f;
constexpr float kControlsTop = kDisplayTop + kDisplayHeight + kGap;
constexpr float kControlsHeight = PanelLayout::kHeight - kControlsTop - kMargin;
constexpr float kTitleHeight = 34.0f; // a group's title strip
constexpr float kKnobCellHeight = 90.0f;
constexpr float kButtonHeight = 26.0f;

using Style = ToggleButton::Style;

template <typename Widget, typename... Arguments>
void add(PanelLayout& layout, Arguments... arguments)
{
    layout.controls.push_back(std::make_unique<Widget>(arguments...));
}

void layoutDisplays(PanelLayout& layout)
{
    const PanelRect historyFrame{kMargin, kDisplayTop, 528.0f, kDisplayHeight};
    const PanelRect curveFrame{historyFrame.right() + kGap, kDisplayTop, 250.0f, kDisplayHeight};
    const PanelRect metersFrame{curveFrame.right() + kGap, kDisplayTop, PanelLayout::kWidth - kMargin - curveFrame.right() - kGap,
                                kDisplayHeight};
    layout.groups.push_back({nullptr, historyFrame});
    layout.groups.push_back({nullptr, curveFrame});
    layout.groups.push_back({nullptr, metersFrame});
    layout.history = historyFrame.inset(10.0f);
    layout.curve = curveFrame.inset(10.0f);

    const PanelRect meters = metersFrame.inset(10.0f);
    const float meterWidth = meters.width / 3.0f;
    layout.inputMeter = {meters.x, meters.y, meterWidth, meters.height};
    layout.reductionMeter = {meters.x + meterWidth, meters.y, meterWidth, meters.height};
    layout.outputMeter = {meters.x + 2.0f * meterWidth, meters.y, meterWidth, meters.height};
}

void layoutDynamics(PanelLayout& layout, PanelRect frame)
{
    layout.groups.push_back({"DYNAMICS", frame});
    const float cellWidth = (frame.width - 8.0f) / 4.0f;
    const float top = frame.y + kTitleHeight + 6.0f;
    const struct
    {
        int id;
        const char* caption;
    } knobs[] = {{kParamInputGain, "INPUT"}, {kParamAttackTime, "ATTACK"}, {kParamReleaseTime, "RELEASE"},
                 {kParamOutputGain, "OUTPUT"}};
    for (int index = 0; index < 4; ++index)
    {
        add<Knob>(layout, knobs[index].id, PanelRect{frame.x + 4.0f + cellWidth * static_cast<float>(index), top, cellWidth, 100.0f},
                  knobs[index].caption, 52.0f);
    }
    add<ChoiceSelector>(layout, static_cast<int>(kParamRatio),
                        PanelRect{frame.x + 14.0f, frame.y + 166.0f, frame.width - 28.0f, 32.0f}, "RATIO", 52.0f,
                        ChoiceSelector::Style::Segmented);
}

void layoutMix(PanelLayout& layout, PanelRect frame)
{
    layout.groups.push_back({"MIX", frame});
    add<Knob>(layout, static_cast<int>(kParamDryWet), PanelRect{frame.x, frame.y + kTitleHeight, frame.width, kKnobCellHeight},
              "DRY / WET", 44.0f);
    add<Knob>(layout, static_cast<int>(kParamGainReductionRange),
              PanelRect{frame.x, frame.y + kTitleHeight + kKnobCellHeight + 8.0f, frame.width, kKnobCellHeight},
              "GR RANGE", 44.0f);
}

void layoutSideChain(PanelLayout& layout, PanelRect frame)
{
    layout.groups.push_back({"SIDE CHAIN", frame});
    const PanelRect inner{frame.x + 12.0f, frame.y, frame.width - 24.0f, frame.height};
    add<ChoiceSelector>(layout, static_cast<int>(kParamSideChainDetectionMode),
                        PanelRect{inner.x, frame.y + kTitleHeight, inner.width, 26.0f}, "DETECT", 50.0f,
                        ChoiceSelector::Style::Stepper);
    const float column = inner.width / 2.0f;
    const float knobTop = frame.y + kTitleHeight + 38.0f;
    add<Knob>(layout, static_cast<int>(kParamSideChainTimeWarp), PanelRect{inner.x, knobTop, column, kKnobCellHeight},
              "TIME WARP", 44.0f);
    add<Knob>(layout, static_cast<int>(kParamExternalSideChainGain),
              PanelRect{inner.x + column, knobTop, column, kKnobCellHeight}, "EXT SC GAIN", 44.0f);
    const float buttonTop = knobTop + kKnobCellHeight + 10.0f;
    add<ToggleButton>(layout, static_cast<int>(kParamSideChainListen),
                      PanelRect{inner.x + 4.0f, buttonTop, column - 8.0f, kButtonHeight}, "LISTEN", Style::Labelled);
    add<ToggleButton>(layout, static_cast<int>(kParamExternalSideChain),
                      PanelRect{inner.x + column + 4.0f, buttonTop, column - 8.0f, kButtonHeight}, "EXT SC",
                      Style::Labelled);
}

void layoutSideChainEq(PanelLayout& layout, PanelRect frame)
{
    layout.groups.push_back({"SIDE CHAIN EQ", frame});
    add<ToggleButton>(layout, static_cast<int>(kParamSideChainEqOn),
                      PanelRect{frame.right() - 74.0f, frame.y + 8.0f, 62.0f, 22.0f}, "EQ ON", Style::Labelled);
    const float cellWidth = (frame.width - 16.0f) / 4.0f;
    const float left = frame.x + 8.0f;
    // The buttons and knobs sit in the middle of the space below the title.
    const float contentHeight = kButtonHeight + 16.0f + kKnobCellHeight;
    const float buttonTop = frame.y + kTitleHeight + 0.5f * (frame.height - kTitleHeight - contentHeight) - 4.0f;
    const float knobTop = buttonTop + kButtonHeight + 16.0f;
    add<ToggleButton>(layout, static_cast<int>(kParamSideChainEqHighPassOn),
                      PanelRect{left + 6.0f, buttonTop, cellWidth - 12.0f, kButtonHeight}, "HPF", Style::Labelled);
    layout.captions.push_back({"BELL", PanelRect{left + cellWidth, buttonTop, 2.0f * cellWidth, kButtonHeight}});
    add<ToggleButton>(layout, static_cast<int>(kParamSideChainEqLowPassOn),
                      PanelRect{left + 3.0f * cellWidth + 6.0f, buttonTop, cellWidth - 12.0f, kButtonHeight}, "LPF",
                      Style::Labelled);
    const struct
    {
        int id;
        const char* caption;
    } knobs[] = {{kParamSideChainEqHighPassFreq, "FREQ"}, {kParamSideChainEqBellFreq, "FREQ"},
                 {kParamSideChainEqBellGain, "GAIN"}, {kParamSideChainEqLowPassFreq, "FREQ"}};
    for (int index = 0; index < 4; ++index)
    {
        add<Knob>(layout, knobs[index].id,
                  PanelRect{left + cellWidth * static_cast<float>(index), knobTop, cellWidth, kKnobCellHeight},
                  knobs[index].caption, 44.0f);
    }
}

} // namespace

PanelLayout layoutPanel()
{
    PanelLayout layout;
    layout.header = {0.0f, 0.0f, PanelLayout::kWidth, kHeaderHeight};
    layout.programName = {PanelLayout::kWidth / 2.0f - 120.0f, 10.0f, 240.0f, 24.0f};
    layout.loadPreset = {layout.programName.right() + 8.0f, 10.0f, 52.0f, 24.0f};
    layout.savePreset = {layout.loadPreset.right() + 6.0f, 10.0f, 52.0f, 24.0f};
    add<ToggleButton>(layout, static_cast<int>(kParamEnableEffect),
                      PanelRect{PanelLayout::kWidth - kMargin - 104.0f, 9.0f, 104.0f, 26.0f}, "ACTIVE", Style::Power);
    layoutDisplays(layout);

    const PanelRect dynamics{kMargin, kControlsTop, 300.0f, kControlsHeight};
    const PanelRect mix{dynamics.right() + kGap, kControlsTop, 100.0f, kControlsHeight};
    const PanelRect sideChain{mix.right() + kGap, kControlsTop, 220.0f, kControlsHeight};
    const PanelRect sideChainEq{sideChain.right() + kGap, kControlsTop, PanelLayout::kWidth - kMargin - sideChain.right() - kGap,
                                kControlsHeight};
    layoutDynamics(layout, dynamics);
    layoutMix(layout, mix);
    layoutSideChain(layout, sideChain);
    layoutSideChainEq(layout, sideChainEq);
    return layout;
}

} // namespace corvex::ui
