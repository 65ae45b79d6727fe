#include "libraries/host/static_curve.h"

#include "libraries/host/decibels.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace corvex::host
{

namespace
{

constexpr int kToneHz = 1000;
constexpr int kWindowFrames = kStaticCurveSampleRate / 10; // a whole number of tone periods
constexpr int kShortestWindows = 5;
constexpr int kLongestWindows = 100;
constexpr double kSettledDb = 0.01;

// One window of output, in place of the tone, and its level as the peak of the
// equivalent sine.
double renderWindowDb(CorvexEngine& engine, const std::vector<float>& tone, std::vector<float>& output)
{
    double sumOfSquares = 0.0;
    for (int start = 0; start < kWindowFrames; start += kCorvexMaxBufferSize)
    {
        const int frames = std::min(kCorvexMaxBufferSize, kWindowFrames - start);
        const float* input = tone.data() + start;
        float* block = output.data() + start;
        engine.process(&input, &block, nullptr, 1, frames);
        for (int frame = 0; frame < frames; ++frame)
            sumOfSquares += static_cast<double>(block[frame]) * block[frame];
    }
    return levelDb(std::sqrt(2.0 * sumOfSquares / static_cast<double>(kWindowFrames)));
}

} // namespace

double steadyStateOutputDb(CorvexEngine& engine, double inputDb)
{
    const double amplitude = std::pow(10.0, inputDb / 20.0);
    std::vector<float> tone(kWindowFrames);
    for (int frame = 0; frame < kWindowFrames; ++frame)
    {
        const int phase = frame % (kStaticCurveSampleRate / kToneHz);
        tone[frame] = static_cast<float>(amplitude *
                                         std::sin(2.0 * std::numbers::pi * phase * kToneHz / kStaticCurveSampleRate));
    }

    std::vector<float> output(kWindowFrames);
    double previousDb = 0.0;
    double levelDbNow = 0.0;
    int settledWindows = 0;
    for (int window = 0; window < kLongestWindows; ++window)
    {
        levelDbNow = renderWindowDb(engine, tone, output);
        settledWindows = window > 0 && std::fabs(levelDbNow - previousDb) < kSettledDb ? settledWindows + 1 : 0;
        if (window + 1 >= kShortestWindows && settledWindows >= 2)
            break;
        previousDb = levelDbNow;
    }
    return levelDbNow;
}

} // namespace corvex::host
