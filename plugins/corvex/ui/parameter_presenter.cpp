#include "plugins/corvex/ui/parameter_presenter.h"
#include "libraries/host/host_floating_point_mode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace corvex::ui
{

ParameterPresenter::ParameterPresenter()
    : engine_(host::createEngineOnHostThread()), descriptions_(host::describeParameters(*engine_))
{
    for (const host::ParameterDescription& description : descriptions_)
    {
        const auto index = static_cast<std::size_t>(description.id);
        defaults_[index] = plugin::plainValueFromNormalized(*engine_, description, description.defaultNormalizedValue);
        logarithmic_[index] = plugin::isLogarithmic(*engine_, description);
    }
}

const host::ParameterDescription& ParameterPresenter::description(int parameterId) const
{
    return descriptions_[static_cast<std::size_t>(parameterId)];
}

plugin::PlainRange ParameterPresenter::range(int parameterId) const
{
    return plugin::plainRange(description(parameterId));
}

float ParameterPresenter::defaultValue(int parameterId) const
{
    return defaults_[static_cast<std::size_t>(parameterId)];
}

float ParameterPresenter::normalizedValue(int parameterId, float plainValue)
{
    const host::ParameterDescription& parameter = description(parameterId);
    return plugin::normalizedFromPlainValue(*engine_, parameter, plainValue).value_or(parameter.defaultNormalizedValue);
}

std::string ParameterPresenter::valueText(int parameterId, float plainValue)
{
    return plugin::plainValueText(*engine_, description(parameterId), plainValue);
}

float ParameterPresenter::positionFromValue(int parameterId, float plainValue) const
{
    const plugin::PlainRange ends = range(parameterId);
    if (!(ends.maximum > ends.minimum))
        return 0.0f;
    const float value = std::clamp(plainValue, ends.minimum, ends.maximum);
    if (logarithmic_[static_cast<std::size_t>(parameterId)])
        return std::log(value / ends.minimum) / std::log(ends.maximum / ends.minimum);
    return (value - ends.minimum) / (ends.maximum - ends.minimum);
}

float ParameterPresenter::valueFromPosition(int parameterId, float position) const
{
    const plugin::PlainRange ends = range(parameterId);
    const float travel = std::clamp(position, 0.0f, 1.0f);
    if (logarithmic_[static_cast<std::size_t>(parameterId)])
        return std::clamp(ends.minimum * std::pow(ends.maximum / ends.minimum, travel), ends.minimum, ends.maximum);
    return ends.minimum + travel * (ends.maximum - ends.minimum);
}

std::string ParameterPresenter::presetText(const plugin::PlainValues& values)
{
    return plugin::presetFromPlainValues(*engine_, descriptions_, values);
}

plugin::PlainValues ParameterPresenter::presetValues(std::string_view text, std::string_view source)
{
    return plugin::plainValuesFromPreset(*engine_, descriptions_, text, source);
}

} // namespace corvex::ui
