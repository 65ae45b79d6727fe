#pragma once

#include "corvex_engine.h"
#include "libraries/host/parameter_description.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corvex::plugin
{

// The user's presets, saved and loaded by the interface in the text format of
// the factory presets (libraries/host/preset_text.h), which `corvex process
// --preset FILE` reads as well.

// Where they are kept: $XDG_DATA_HOME/Corvex/Presets (else
// ~/.local/share/Corvex/Presets) on Linux, %APPDATA%\Corvex\Presets on Windows;
// empty when the environment names no such place.
std::filesystem::path userPresetFolder();

inline constexpr const char* kUserPresetExtension = ".cvxpreset";

using PlainValues = std::array<float, kNumParameters>;

// The controls' plain values a preset selects: its values, and the defaults for
// the parameters it leaves out. Throws host::ParameterTextError with the line.
PlainValues plainValuesFromPreset(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                                  std::string_view text, std::string_view source);

// The preset text of the controls' plain values.
std::string presetFromPlainValues(CorvexEngine& engine, const std::vector<host::ParameterDescription>& parameters,
                                  const PlainValues& values);

// Writes the text to a file beside path, then renames it over path: a failed
// write leaves the previous file whole. Throws std::runtime_error with a line
// that names the file.
void writeTextFileWhole(const std::filesystem::path& path, std::string_view text);

// The whole file as text; throws std::runtime_error with a line that names it.
std::string readTextFile(const std::filesystem::path& path);

} // namespace corvex::plugin
