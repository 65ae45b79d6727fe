#pragma once

#include "corvex_engine.h"

#include <array>
#include <cstddef>

namespace corvex::testing
{

// What a program asked of one engine: parameter changes per identifier and the
// sizes of its process calls. Fixed-size counters, so recording allocates nothing.
struct EngineCalls
{
    std::array<int, kNumParameters> parameterChanges{};
    std::size_t processCalls = 0;
    std::size_t processedFrames = 0;
    int smallestProcessCall = 0;
    int largestProcessCall = 0;
};

// Every engine created in this process (by the plug-in too) comes from
// engine_call_recorder.cpp, which puts itself in front of the library's
// createCorvexEngine and wraps each engine in a recorder that forwards every
// call unchanged. Returns the calls made to the engine created last.
EngineCalls& lastCreatedEngineCalls();

} // namespace corvex::testing
