#include "tools/corvex/static_curve.h"

#include "tools/corvex/decibels.h"
#include "tools/corvex/engine_session.h"
#include "tools/corvex/stream_renderer.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace corvex::tool
{

namespace
{

constexpr int kSampleRate = 48000;
constexpr int kToneHz = 1000;
constexpr int kWindowFrames = kSampleRate / 10; // a whole number of tone periods
constexpr int kShortestWindows = 5;
constexpr int kLongestWindows = 100;
constexpr double kSettledDb = 0.01;

} // namespace

double steadyStateOutputDb(const std::vector<ParameterSetting>& settings, double inputDb)
{
    EngineSession session = openEngineSession();
    prepareEngine(*session.engine, kSampleRate, settings);
    StreamRenderer renderer(*session.engine, 1, {kCorvexMaxBufferSize, true}, nullptr);

    const double amplitude = std::pow(10.0, inputDb / 20.0);
    std::vector<float> tone(kWindowFrames);
    for (int frame = 0; frame < kWindowFrames; ++frame)
    {
        const int phase = frame % (kSampleRate / kToneHz);
        tone[frame] = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * phase * kToneHz / kSampleRate));
    }

    std::vector<float> output;
    double previousDb = 0.0;
    double levelDbNow = 0.0;
    int settledWindows = 0;
    for (int window = 0; window < kLongestWindows; ++window)
    {
        renderer.render(tone.data(), nullptr, 0, kWindowFrames, output);
        double sumOfSquares = 0.0;
        for (float sample : output)
            sumOfSquares += static_cast<double>(sample) * sample;
        levelDbNow = levelDb(std::sqrt(2.0 * sumOfSquares / static_cast<double>(output.size())));
        settledWindows = window > 0 && std::fabs(levelDbNow - previousDb) < kSettledDb ? settledWindows + 1 : 0;
        if (window + 1 >= kShortestWindows && settledWindows >= 2)
            break;
        previousDb = levelDbNow;
    }
    return levelDbNow;
}

} // namespace corvex::tool
