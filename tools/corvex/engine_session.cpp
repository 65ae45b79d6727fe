#include "tools/corvex/engine_session.h"

#include <stdexcept>

namespace corvex::tool
{

EngineSession openEngineSession()
{
    EngineSession session{std::unique_ptr<CorvexEngine>(createCorvexEngine()), {}};
    if (!session.engine)
        throw std::runtime_error("the engine could not be created");
    session.parameters = host::describeParameters(*session.engine);
    return session;
}

void prepareEngine(CorvexEngine& engine, int sampleRate, const std::vector<ParameterSetting>& settings)
{
    engine.setSampleRate(sampleRate);
    applyParameterSettings(engine, settings);
}

} // namespace corvex::tool
