#pragma once

#include <array>

namespace corvex::lv2
{

// One plug-in of the bundle: the same engine for one or two channels.
struct PluginVariant
{
    const char* uri;
    const char* name;
    int numChannels;
};

// Index order is the order of lv2_descriptor; the URIs are what hosts store in sessions.
inline constexpr std::array<PluginVariant, 2> kPluginVariants{{
    {"urn:corvex:lv2:mono", "Corvex Mono", 1},
    {"urn:corvex:lv2:stereo", "Corvex Stereo", 2},
}};

} // namespace corvex::lv2
