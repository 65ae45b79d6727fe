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

std::span<const FactoryProgram> factoryPrograms();

} // namespace corvex::plugin
