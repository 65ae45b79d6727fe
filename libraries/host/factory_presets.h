#pragma once

#include <span>
#include <string_view>

namespace corvex::host
{

// A factory preset: a name that says what it is for, and its text in the
// preset format (preset_text.h). The plug-ins offer them as their programs, the
// tool takes them by name.
struct FactoryPreset
{
    const char* name;
    const char* text;
};

std::span<const FactoryPreset> factoryPresets();

// The factory preset of that name, in any case; nullptr when there is none.
const FactoryPreset* findFactoryPreset(std::string_view name);

} // namespace corvex::host
