#pragma once

#include "engine/corvex_engine.h"

namespace corvex::host
{

// The rate at which the static curve is measured; the engine is prepared with it.
inline constexpr int kStaticCurveSampleRate = 48000;

// The steady-state output level, in dBFS (peak of the equivalent sine), of a
// 1 kHz sine of the given peak level played through an engine that is set to
// kStaticCurveSampleRate and its parameters and has processed nothing yet:
// mono, in calls of kCorvexMaxBufferSize samples, without side chain, rendered
// in 100 ms windows until two successive windows agree within 0.01 dB (at
// least 5, at most 100 windows: 10 s of audio).
double steadyStateOutputDb(CorvexEngine& engine, double inputDb);

} // namespace corvex::host
