#pragma once

#include "corvex_engine.h"
#include "libraries/host/parameter_description.h"
#include "plugins/corvex/parameter_values.h"
#include "plugins/corvex/user_presets.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvex::ui
{

// What the interface shows of the engine's parameters, read from an engine of
// its own (never the one that processes audio): names, value texts with their
// units, defaults, and where a plain value sits along a knob's travel. Used on
// the interface's thread only.
class ParameterPresenter
{
public:
    ParameterPresenter();

    const host::ParameterDescription& description(int parameterId) const;
    plugin::PlainRange range(int parameterId) const;
    float defaultValue(int parameterId) const;

    // The engine's text for the value a plain value selects ("Dual", "On"), or
    // for a continuous parameter, which has none, its display value; followed by
    // the parameter's unit: "-24.0 dB", "693 Hz", "20.0 kHz".
    std::string valueText(int parameterId, float plainValue);

    // The normalized value a plain value selects (the plug-in's own conversion).
    float normalizedValue(int parameterId, float plainValue);

    // The controls' plain values as preset text, and back (throws
    // host::ParameterTextError with the line for a text it cannot read).
    std::string presetText(const plugin::PlainValues& values);
    plugin::PlainValues presetValues(std::string_view text, std::string_view source);

    // A knob's travel from 0 to 1: logarithmic for the frequencies (as hosts
    // show them), linear otherwise.
    float positionFromValue(int parameterId, float plainValue) const;
    float valueFromPosition(int parameterId, float position) const;

private:
    std::unique_ptr<CorvexEngine> engine_;
    std::vector<host::ParameterDescription> descriptions_;
    std::array<float, kNumParameters> defaults_{};
    std::array<bool, kNumParameters> logarithmic_{};
};

} // namespace corvex::ui
