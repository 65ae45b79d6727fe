#pragma once

#include <cstddef>
#include <span>

namespace corvex::plugin
{

// One control of a program: the engine parameter and its plain value (display
// value, or the index of a switch's or choice's text).
struct ProgramSetting
{
    int parameterId;
    float plainValue;
};

// A factory program: a name that says what it is for, and the controls it sets;
// every other control takes its default.
struct FactoryProgram
{
    const char* name;
    std::span<const ProgramSetting> settings;
};

// The factory presets (libraries/host/factory_presets.h) as programs. The first
// call reads their texts with an engine of its own, so it belongs off the audio
// thread (the plug-in's constructor makes it).
std::span<const FactoryProgram> factoryPrograms();

} // namespace corvex::plugin
