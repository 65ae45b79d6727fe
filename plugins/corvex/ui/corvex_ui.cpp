#include "plugins/corvex/ui/corvex_ui.h"

#include "plugins/corvex/factory_programs.h"
#include "plugins/corvex/meter_level.h"
#include "plugins/corvex/ui/ui_theme.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

START_NAMESPACE_DISTRHO

namespace
{

using corvex::ui::LevelMeter;
using corvex::ui::PanelLayout;
using corvex::ui::Theme;

constexpr int kNumChannels = CORVEX_PLUGIN_NUM_CHANNELS;
// The smallest window, as a share of the design size; the shape is kept.
constexpr double kSmallestScale = 0.6;
// Two presses on one control within this time reset it to its default.
constexpr auto kDoubleClickTime = std::chrono::milliseconds(400);
// A frame time above this (a hidden window) moves the meters on by this much only.
constexpr float kLongestFrameSeconds = 0.25f;

} // namespace

CorvexUI::CorvexUI()
    : UI(DISTRHO_UI_DEFAULT_WIDTH, DISTRHO_UI_DEFAULT_HEIGHT),
      layout_{kNumChannels},
      panel_(corvex::ui::layoutPanel()),
      inputMeter_(LevelMeter::Kind::Level, "IN", kNumChannels),
      reductionMeter_(LevelMeter::Kind::Reduction, "GR", kNumChannels),
      outputMeter_(LevelMeter::Kind::Level, "OUT", kNumChannels),
      lastIdle_(std::chrono::steady_clock::now())
{
    loadSharedResources();
    for (int id = 0; id < kNumParameters; ++id)
        showControl(id, presenter_.defaultValue(id));
    // Silence until the plug-in reports: no level and no gain reduction.
    metersDb_.fill(corvex::plugin::kMeterFloorDb);
    std::fill_n(metersDb_.begin(), kNumChannels, 0.0f);
    inputMeter_.setArea(panel_.inputMeter);
    reductionMeter_.setArea(panel_.reductionMeter);
    outputMeter_.setArea(panel_.outputMeter);
    history_.setArea(panel_.history);
    curveView_.setArea(panel_.curve);

    // On a high-density screen the panel opens larger by the screen's scale.
    const double scale = getScaleFactor();
    setGeometryConstraints(static_cast<uint>(PanelLayout::kWidth * kSmallestScale * scale),
                           static_cast<uint>(PanelLayout::kHeight * kSmallestScale * scale), true);
    if (scale != 1.0)
        setSize(static_cast<uint>(PanelLayout::kWidth * scale), static_cast<uint>(PanelLayout::kHeight * scale));
}

void CorvexUI::parameterChanged(const uint32_t index, const float value)
{
    if (layout_.isControl(index))
    {
        showControl(static_cast<int>(index), value);
        repaint();
    }
    else if (index < layout_.count())
    {
        showMeter(index - kNumParameters, value);
    }
}

void CorvexUI::programLoaded(const uint32_t index)
{
    const auto programs = corvex::plugin::factoryPrograms();
    if (index < programs.size())
    {
        programName_ = programs[index].name;
        programEdited_ = false;
        repaint();
    }
}

void CorvexUI::showControl(const int parameterId, const float plainValue)
{
    const auto index = static_cast<std::size_t>(parameterId);
    if (values_[index] == plainValue && !texts_[index].empty())
        return;
    values_[index] = plainValue;
    texts_[index] = presenter_.valueText(parameterId, plainValue);
    curveDue_ = true;
}

void CorvexUI::showMeter(const uint32_t meter, const float valueDb)
{
    // A reduction at the meters' floor is no reading: some hosts report the
    // meter's lowest value before the first block, and the engine never
    // reduces by more than its 100 dB range.
    if (meter / kNumChannels == 0 && valueDb <= corvex::plugin::kMeterFloorDb)
        return;
    metersDb_[meter] = valueDb;
    const int channel = static_cast<int>(meter) % kNumChannels;
    const uint32_t kind = meter / kNumChannels;
    // The history and the curve's dot follow the loudest input and the deepest reduction.
    const uint32_t first = kind * kNumChannels;
    const float* values = metersDb_.data() + first;
    const float loudest = *std::max_element(values, values + kNumChannels);
    const float deepest = *std::min_element(values, values + kNumChannels);
    switch (kind)
    {
    case 0:
        reductionMeter_.feed(channel, valueDb);
        history_.feedReduction(deepest);
        break;
    case 1:
        inputMeter_.feed(channel, valueDb);
        history_.feedInput(loudest);
        curveView_.setInputLevel(loudest);
        break;
    default:
        outputMeter_.feed(channel, valueDb);
        break;
    }
}

void CorvexUI::uiIdle()
{
    const auto now = std::chrono::steady_clock::now();
    const float seconds = std::min(std::chrono::duration<float>(now - lastIdle_).count(), kLongestFrameSeconds);
    lastIdle_ = now;
    inputMeter_.advance(seconds);
    reductionMeter_.advance(seconds);
    outputMeter_.advance(seconds);
    history_.advance(seconds);

    if (curveDue_)
    {
        std::array<float, kNumParameters> normalized{};
        for (int id = 0; id < kNumParameters; ++id)
            normalized[static_cast<std::size_t>(id)] = presenter_.normalizedValue(id, values_[static_cast<std::size_t>(id)]);
        curveWorker_.request(normalized);
        curveDue_ = false;
    }
    std::vector<corvex::ui::CurvePoint> curve;
    if (curveWorker_.takeCurve(curve))
        curveView_.setCurve(std::move(curve));
    repaint();
}

float CorvexUI::controlValue(const int parameterId) const
{
    return values_[static_cast<std::size_t>(parameterId)];
}

const std::string& CorvexUI::controlText(const int parameterId) const
{
    return texts_[static_cast<std::size_t>(parameterId)];
}

corvex::ui::ParameterPresenter& CorvexUI::presenter()
{
    return presenter_;
}

void CorvexUI::beginGesture(const int parameterId)
{
    editParameter(static_cast<uint32_t>(parameterId), true);
}

void CorvexUI::changeControl(const int parameterId, const float plainValue)
{
    showControl(parameterId, plainValue);
    setParameterValue(static_cast<uint32_t>(parameterId), plainValue);
    programEdited_ = true;
    repaint();
}

void CorvexUI::endGesture(const int parameterId)
{
    editParameter(static_cast<uint32_t>(parameterId), false);
}

float CorvexUI::panelScale() const
{
    return std::min(static_cast<float>(getWidth()) / PanelLayout::kWidth,
                    static_cast<float>(getHeight()) / PanelLayout::kHeight);
}

corvex::ui::PointerInput CorvexUI::pointer(const double x, const double y, const uint modifiers) const
{
    // The panel is centred in the window when a host gives it another shape.
    const float scale = panelScale();
    const float left = 0.5f * (static_cast<float>(getWidth()) - PanelLayout::kWidth * scale);
    const float top = 0.5f * (static_cast<float>(getHeight()) - PanelLayout::kHeight * scale);
    return {(static_cast<float>(x) - left) / scale, (static_cast<float>(y) - top) / scale,
            (modifiers & (kModifierShift | kModifierControl)) != 0};
}

corvex::ui::ControlWidget* CorvexUI::controlAt(const corvex::ui::PointerInput& input) const
{
    for (const auto& control : panel_.controls)
    {
        if (control->area().contains(input.x, input.y))
            return control.get();
    }
    return nullptr;
}

bool CorvexUI::onMouse(const MouseEvent& event)
{
    if (event.button != kMouseButtonLeft)
        return false;
    const corvex::ui::PointerInput input = pointer(event.pos.getX(), event.pos.getY(), event.mod);
    if (!event.press)
    {
        if (dragged_ == nullptr)
            return false;
        dragged_->release(*this);
        dragged_ = nullptr;
        return true;
    }
    for (const bool saving : {false, true})
    {
        if ((saving ? panel_.savePreset : panel_.loadPreset).contains(input.x, input.y))
        {
            choosePresetFile(saving);
            return true;
        }
    }
    corvex::ui::ControlWidget* const control = controlAt(input);
    if (control == nullptr)
        return false;
    const auto now = std::chrono::steady_clock::now();
    if (control == lastPressed_ && now - lastPressTime_ < kDoubleClickTime)
    {
        const int id = control->parameterId();
        beginGesture(id);
        changeControl(id, presenter_.defaultValue(id));
        endGesture(id);
        lastPressed_ = nullptr;
        return true;
    }
    lastPressed_ = control;
    lastPressTime_ = now;
    if (control->press(input, *this))
        dragged_ = control;
    return true;
}

bool CorvexUI::onMotion(const MotionEvent& event)
{
    if (dragged_ == nullptr)
        return false;
    dragged_->drag(pointer(event.pos.getX(), event.pos.getY(), event.mod), *this);
    return true;
}

bool CorvexUI::onScroll(const ScrollEvent& event)
{
    const corvex::ui::PointerInput input = pointer(event.pos.getX(), event.pos.getY(), event.mod);
    corvex::ui::ControlWidget* const control = controlAt(input);
    if (control == nullptr || event.delta.getY() == 0.0)
        return false;
    control->scroll(static_cast<float>(event.delta.getY()), input.fine, *this);
    return true;
}

void CorvexUI::onNanoDisplay()
{
    beginPath();
    rect(0.0f, 0.0f, static_cast<float>(getWidth()), static_cast<float>(getHeight()));
    fillColor(Theme::background());
    fill();

    const float scale = panelScale();
    save();
    translate(0.5f * (static_cast<float>(getWidth()) - PanelLayout::kWidth * scale),
              0.5f * (static_cast<float>(getHeight()) - PanelLayout::kHeight * scale));
    this->scale(scale, scale);
    fontFace(NANOVG_DEJAVU_SANS_TTF);

    drawHeader();
    drawGroups();
    history_.draw(*this);
    curveView_.draw(*this);
    inputMeter_.draw(*this);
    reductionMeter_.draw(*this);
    outputMeter_.draw(*this);
    for (const auto& control : panel_.controls)
        control->draw(*this, *this);
    restore();
}

void CorvexUI::drawHeader()
{
    const corvex::ui::PanelRect& header = panel_.header;
    beginPath();
    rect(header.x, header.y, header.width, header.height);
    fillPaint(linearGradient(0.0f, header.y, 0.0f, header.bottom(), Theme::headerTop(), Theme::headerBottom()));
    fill();
    beginPath();
    moveTo(header.x, header.bottom() - 0.5f);
    lineTo(header.right(), header.bottom() - 0.5f);
    strokeWidth(1.0f);
    strokeColor(Theme::Color(0, 0, 0, 0.6f));
    stroke();

    // The name in spaced capitals with an amber mark, then what it is.
    beginPath();
    roundedRect(16.0f, 14.0f, 4.0f, 16.0f, 1.5f);
    fillColor(Theme::accent());
    fill();
    fontSize(20.0f);
    textLetterSpacing(5.0f);
    textAlign(ALIGN_LEFT | ALIGN_MIDDLE);
    fillColor(Theme::text());
    const float nameEnd = text(28.0f, header.centerY() + 1.0f, "CORVEX", nullptr);
    fontSize(Theme::smallSize);
    textLetterSpacing(1.5f);
    fillColor(Theme::textDim());
    text(nameEnd + 10.0f, header.centerY() + 2.0f,
         kNumChannels == 2 ? "FEEDBACK COMPRESSOR  \xC2\xB7  STEREO" : "FEEDBACK COMPRESSOR  \xC2\xB7  MONO", nullptr);
    textLetterSpacing(0.0f);

    const corvex::ui::PanelRect& program = panel_.programName;
    drawHeaderBox(program);
    fontSize(Theme::smallSize);
    textAlign(ALIGN_LEFT | ALIGN_MIDDLE);
    fillColor(Theme::textFaint());
    text(program.x + 10.0f, program.centerY() + 0.5f, "PRESET", nullptr);
    const std::string shown = (programName_.empty() ? std::string("Default") : programName_) + (programEdited_ ? " *" : "");
    fontSize(Theme::valueSize);
    textAlign(ALIGN_CENTER | ALIGN_MIDDLE);
    fillColor(Theme::text());
    text(program.centerX() + 20.0f, program.centerY() + 0.5f, shown.c_str(), nullptr);
    drawHeaderButton(panel_.loadPreset, "LOAD");
    drawHeaderButton(panel_.savePreset, "SAVE");
}

void CorvexUI::drawHeaderBox(const corvex::ui::PanelRect& area)
{
    beginPath();
    roundedRect(area.x, area.y, area.width, area.height, 4.0f);
    fillColor(Theme::Color(0, 0, 0, 0.35f));
    fill();
    strokeColor(Theme::groupBorder());
    stroke();
}

void CorvexUI::drawHeaderButton(const corvex::ui::PanelRect& area, const char* label)
{
    drawHeaderBox(area);
    fontSize(Theme::smallSize);
    textLetterSpacing(1.5f);
    textAlign(ALIGN_CENTER | ALIGN_MIDDLE);
    fillColor(Theme::textDim());
    text(area.centerX(), area.centerY() + 0.5f, label, nullptr);
    textLetterSpacing(0.0f);
}

void CorvexUI::choosePresetFile(const bool saving)
{
    const std::filesystem::path folder = corvex::plugin::userPresetFolder();
    std::error_code ignored;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ignored);
    const std::string startDir = folder.string();
    const std::string defaultName =
        (programName_.empty() ? std::string("Default") : programName_) + corvex::plugin::kUserPresetExtension;
    FileBrowserOptions options;
    options.saving = saving;
    options.startDir = startDir.empty() ? nullptr : startDir.c_str();
    options.defaultName = defaultName.c_str();
    options.title = saving ? "Save Corvex preset" : "Load Corvex preset";
    savingPreset_ = saving;
    // The framework's X11 dialog opens files only: there the preset goes into
    // the folder under the first free name, which the preset box then shows.
    if (!openFileBrowser(options) && saving && !folder.empty())
    {
        const std::string stem = programName_.empty() ? std::string("Default") : programName_;
        std::filesystem::path path;
        for (int number = 1; path.empty() || std::filesystem::exists(path, ignored); ++number)
            path = folder / (stem + " " + std::to_string(number) + corvex::plugin::kUserPresetExtension);
        savePresetFile(path.string());
        repaint();
    }
}

void CorvexUI::uiFileBrowserSelected(const char* const filename)
{
    if (filename == nullptr || *filename == '\0')
        return;
    if (savingPreset_)
        savePresetFile(filename);
    else
        loadPresetFile(filename);
    repaint();
}

// Every control moves to the preset's value (the defaults for those it leaves
// out) as an edit the host records; a file that cannot be read changes nothing.
void CorvexUI::loadPresetFile(const std::string& path)
{
    corvex::plugin::PlainValues values{};
    try
    {
        values = presenter_.presetValues(corvex::plugin::readTextFile(path), path);
    }
    catch (const std::runtime_error& error)
    {
        d_stderr2("Corvex: %s", error.what());
        programName_ = "(not loaded)";
        return;
    }
    for (int id = 0; id < kNumParameters; ++id)
    {
        beginGesture(id);
        changeControl(id, values[static_cast<std::size_t>(id)]);
        endGesture(id);
    }
    programName_ = std::filesystem::path(path).stem().string();
    programEdited_ = false;
}

void CorvexUI::savePresetFile(std::string path)
{
    if (std::filesystem::path(path).extension().empty())
        path += corvex::plugin::kUserPresetExtension;
    corvex::plugin::PlainValues values{};
    std::copy(values_.begin(), values_.end(), values.begin());
    try
    {
        corvex::plugin::writeTextFileWhole(path, presenter_.presetText(values));
    }
    catch (const std::runtime_error& error)
    {
        d_stderr2("Corvex: %s", error.what());
        programName_ = "(not saved)";
        return;
    }
    programName_ = std::filesystem::path(path).stem().string();
    programEdited_ = false;
}

void CorvexUI::drawGroups()
{
    for (const corvex::ui::PanelGroup& group : panel_.groups)
    {
        const corvex::ui::PanelRect& box = group.area;
        const bool display = group.title == nullptr;
        beginPath();
        roundedRect(box.x + 0.5f, box.y + 0.5f, box.width - 1.0f, box.height - 1.0f, 6.0f);
        fillColor(display ? Theme::displayFill() : Theme::groupFill());
        fill();
        strokeWidth(1.0f);
        strokeColor(Theme::groupBorder());
        stroke();
        if (display)
            continue;
        fontSize(Theme::groupTitleSize);
        textLetterSpacing(1.8f);
        textAlign(ALIGN_LEFT | ALIGN_MIDDLE);
        fillColor(Theme::text());
        text(box.x + 12.0f, box.y + 18.0f, group.title, nullptr);
        textLetterSpacing(0.0f);
        beginPath();
        moveTo(box.x + 12.0f, box.y + 29.5f);
        lineTo(box.right() - 12.0f, box.y + 29.5f);
        strokeColor(Theme::groupBorder());
        stroke();
    }
    fontSize(Theme::labelSize);
    textAlign(ALIGN_CENTER | ALIGN_MIDDLE);
    fillColor(Theme::textDim());
    for (const corvex::ui::PanelCaption& caption : panel_.captions)
        text(caption.area.centerX(), caption.area.centerY() + 0.5f, caption.text, nullptr);
}

UI* createUI()
{
    return new CorvexUI();
}

END_NAMESPACE_DISTRHO
