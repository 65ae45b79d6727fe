#include "libraries/host/automation_file.h"

#include "libraries/host/text_lines.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace corvex::host
{

namespace
{

// Latest position accepted: about 6 years at 192 kHz, far from the limits of the arithmetic.
constexpr double kLatestPositionSamples = 1e15;

std::array<std::string_view, 3> splitFields(std::string_view line)
{
    constexpr auto kNone = std::string_view::npos;
    const std::size_t first = line.find(',');
    const std::size_t second = first == kNone ? kNone : line.find(',', first + 1);
    if (second == kNone || line.find(',', second + 1) != kNone)
        throw ParameterTextError("expected POSITION, NAME, VALUE, not \"" + std::string(line) + "\"");
    return {trimSpaces(line.substr(0, first)), trimSpaces(line.substr(first + 1, second - first - 1)),
            trimSpaces(line.substr(second + 1))};
}

std::int64_t positionSamples(std::string_view text, int sampleRate)
{
    std::int64_t samples = -1;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, samples);
    if (error == std::errc() && rest == end && samples >= 0)
        return samples;
    if (text.ends_with('s') || text.ends_with('S'))
    {
        const double position = parseNumber(text, "s").value_or(-1.0) * sampleRate;
        if (position >= 0.0 && position <= kLatestPositionSamples)
            return std::llround(position);
    }
    throw ParameterTextError("\"" + std::string(text) +
                             "\" is not a position: a sample index from 0 (48000) or seconds (1.5 s)");
}

} // namespace

std::vector<AutomationPoint> parseAutomation(CorvexEngine& engine, const std::vector<ParameterDescription>& parameters,
                                             std::string_view text, int sampleRate, std::string_view source)
{
    std::vector<AutomationPoint> points;
    forEachContentLine(text, "automation '" + std::string(source) + "'", [&](std::string_view line) {
        const auto [position, name, value] = splitFields(line);
        const std::int64_t samples = positionSamples(position, sampleRate);
        const ParameterDescription* parameter = findParameter(parameters, name);
        if (parameter == nullptr)
            throw ParameterTextError("unknown parameter \"" + std::string(name) + "\"");
        points.push_back({samples, parameter->id, normalizedFromValueText(engine, *parameter, value)});
    });
    std::ranges::stable_sort(points, {}, &AutomationPoint::positionSamples);
    return points;
}

} // namespace corvex::host
