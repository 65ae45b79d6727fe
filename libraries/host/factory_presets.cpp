#include "libraries/host/factory_presets.h"

#include "libraries/host/text_compare.h"

#include <algorithm>
#include <array>

namespace corvex::host
{

namespace
{

constexpr std::array kPresets{
    FactoryPreset{"Default", "# Every parameter at its default.\n"},
    FactoryPreset{"Vocal Leveller", R"(# Steady vocal level: moderate drive, medium attack, slower release, the lows
# out of the detector so plosives do not pump.
Input Gain = -14 dB
Output Gain = -16 dB
Attack Time = 3
Release Time = 5
Ratio = 4
SC EQ On = On
SC EQ HPF On = On
SC EQ HPF Freq = 120 Hz
)"},
    FactoryPreset{"Drum Bus Glue", R"(# Drum-bus glue: both channels linked, slow attack lets transients through,
# fast release, mixed back with the dry drums.
Input Gain = -16 dB
Output Gain = -20 dB
Attack Time = 5
Release Time = 2
Ratio = 4
SC Detection Mode = Linked
Dry / Wet = 70 %
)"},
    FactoryPreset{"Parallel Crush", R"(# New York style parallel crush: hard ratio, fast times, half dry.
Input Gain = -6 dB
Output Gain = -18 dB
Attack Time = 1
Release Time = 1
Ratio = 20
SC Detection Mode = Linked
Dry / Wet = 45 %
)"},
    FactoryPreset{"Bass Control", R"(# Bass: linked, the detector's lows tamed so the note, not the fundamental,
# rides the gain.
Input Gain = -16 dB
Output Gain = -18 dB
Attack Time = 4
Release Time = 4
Ratio = 8
SC EQ On = On
SC EQ HPF On = On
SC EQ HPF Freq = 60 Hz
)"},
    FactoryPreset{"De-Esser", R"(# De-esser: the detector hears only a band around the sibilants, and the gain
# reduction is limited to a few dB.
Input Gain = -12 dB
Output Gain = -12 dB
Attack Time = 1
Release Time = 2
Ratio = 8
SC EQ On = On
SC EQ HPF On = On
SC EQ HPF Freq = 1200 Hz
SC EQ Bell Freq = 6500 Hz
SC EQ Bell Gain = 12 dB
GR Range = 8 dB
)"},
    FactoryPreset{"Mix Bus Limiter", R"(# Mix-bus limiter: every ratio at once, linked, and 5 ms of look-ahead so the
# gain is down before the peak arrives.
Input Gain = -12 dB
Output Gain = -13 dB
Attack Time = 1
Release Time = 3
Ratio = All
SC Detection Mode = Linked
SC Time Warp = 5 ms
)"},
    FactoryPreset{"Side-Chain Ducker", R"(# Ducking: the external side chain (a voice-over, a kick) pushes the
# track down.
Input Gain = -24 dB
Output Gain = -24 dB
Attack Time = 2
Release Time = 4
Ratio = 8
External SC = On
External SC Gain = 12 dB
SC Detection Mode = Linked
)"},
};

} // namespace

std::span<const FactoryPreset> factoryPresets()
{
    return kPresets;
}

const FactoryPreset* findFactoryPreset(std::string_view name)
{
    const auto found = std::ranges::find_if(kPresets, [&](const FactoryPreset& preset) {
        return equalsIgnoringCase(preset.name, name);
    });
    return found == kPresets.end() ? nullptr : &*found;
}

} // namespace corvex::host
