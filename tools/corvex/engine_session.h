#pragma once

#include "tools/corvex/parameter_settings.h"

#include "engine/corvex_engine.h"
#include "libraries/host/parameter_description.h"

#include <memory>
#include <string>
#include <vector>

namespace corvex::tool
{

// A fresh engine together with the description of its parameters (read while
// the engine still holds its defaults).
struct EngineSession
{
    std::unique_ptr<CorvexEngine> engine;
    std::vector<host::ParameterDescription> parameters;
};

EngineSession openEngineSession();

// Sets the sample rate (checked by the caller to lie in 1 to 192000 Hz), then the settings.
void prepareEngine(CorvexEngine& engine, int sampleRate, const std::vector<ParameterSetting>& settings);

} // namespace corvex::tool
