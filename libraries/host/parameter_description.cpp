#include "libraries/host/parameter_description.h"

#include <bit>
#include <cstdint>

namespace corvex::host
{

namespace
{

// Room for every text the engine reports; one more character keeps it terminated.
constexpr int kTextCapacity = 64;

// Sampling steps of [0, 1] used to discover the texts; finer than any choice list.
constexpr int kTextScanSteps = 1024;

using TextReader = void (CorvexEngine::*)(int, char*, int);

std::string readText(CorvexEngine& engine, TextReader reader, int parameterId)
{
    char text[kTextCapacity + 1] = {};
    (engine.*reader)(parameterId, text, kTextCapacity);
    return text;
}

std::string valueText(CorvexEngine& engine, int parameterId, float normalizedValue)
{
    char text[kTextCapacity + 1] = {};
    engine.getValueText(parameterId, normalizedValue, text, kTextCapacity);
    return text;
}

float floatFromBits(std::uint32_t bits)
{
    return std::bit_cast<float>(bits);
}

// A run of normalized values, [lowBits, end of run], that all show one text.
// Non-negative floats order like their bit patterns, so runs are bit ranges.
struct TextRun
{
    std::string text;
    std::uint32_t lowBits;
};

// Smallest value in (belowBits, highBits] that shows the text shown at highBits.
std::uint32_t findRunStart(CorvexEngine& engine, int parameterId, std::uint32_t belowBits, std::uint32_t highBits)
{
    const std::string text = valueText(engine, parameterId, floatFromBits(highBits));
    while (highBits - belowBits > 1)
    {
        const std::uint32_t middle = belowBits + (highBits - belowBits) / 2;
        if (valueText(engine, parameterId, floatFromBits(middle)) == text)
            highBits = middle;
        else
            belowBits = middle;
    }
    return highBits;
}

std::vector<TextRun> scanTextRuns(CorvexEngine& engine, int parameterId)
{
    std::vector<TextRun> runs;
    std::uint32_t previousBits = 0;
    for (int step = 0; step <= kTextScanSteps; ++step)
    {
        const float value = static_cast<float>(step) / kTextScanSteps;
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
        std::string text = valueText(engine, parameterId, value);
        if (runs.empty())
            runs.push_back({std::move(text), bits});
        else if (text != runs.back().text)
            runs.push_back({std::move(text), findRunStart(engine, parameterId, previousBits, bits)});
        previousBits = bits;
    }
    return runs;
}

std::vector<ParameterChoice> choicesFromRuns(const std::vector<TextRun>& runs, ParameterKind kind)
{
    std::vector<ParameterChoice> choices;
    const std::uint32_t oneBits = std::bit_cast<std::uint32_t>(1.0f);
    for (std::size_t index = 0; index < runs.size(); ++index)
    {
        const bool last = index + 1 == runs.size();
        const std::uint32_t endBits = last ? oneBits + 1 : runs[index + 1].lowBits; // one past the run
        float value = 0.0f;
        if (kind == ParameterKind::Switch)
            value = last ? 1.0f : 0.0f;
        else
            value = (floatFromBits(runs[index].lowBits) + floatFromBits(endBits - 1)) / 2.0f;
        choices.push_back({runs[index].text, value});
    }
    return choices;
}

} // namespace

ParameterDescription describeParameter(CorvexEngine& engine, int parameterId)
{
    ParameterDescription description{};
    description.id = parameterId;
    description.name = readText(engine, &CorvexEngine::getParameterName, parameterId);
    description.unit = readText(engine, &CorvexEngine::getParameterUnit, parameterId);
    description.displayAtZero = engine.getDisplayValue(parameterId, 0.0f);
    description.displayAtOne = engine.getDisplayValue(parameterId, 1.0f);
    description.defaultNormalizedValue = engine.getNormalizedValue(parameterId);

    const std::vector<TextRun> runs = scanTextRuns(engine, parameterId);
    if (runs.size() == 1 && runs.front().text.empty())
    {
        description.kind = ParameterKind::Continuous;
        return description;
    }
    description.kind = runs.size() == 2 ? ParameterKind::Switch : ParameterKind::Choice;
    description.choices = choicesFromRuns(runs, description.kind);
    return description;
}

std::vector<ParameterDescription> describeParameters(CorvexEngine& engine)
{
    std::vector<ParameterDescription> descriptions;
    for (int parameterId = 0; parameterId < kNumParameters; ++parameterId)
        descriptions.push_back(describeParameter(engine, parameterId));
    return descriptions;
}

const char* parameterKindName(ParameterKind kind)
{
    switch (kind)
    {
    case ParameterKind::Switch:
        return "switch";
    case ParameterKind::Choice:
        return "choice";
    case ParameterKind::Continuous:
        break;
    }
    return "continuous";
}

} // namespace corvex::host
