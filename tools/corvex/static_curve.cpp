#include "tools/corvex/static_curve.h"

#include "libraries/host/static_curve.h"
#include "tools/corvex/engine_session.h"

namespace corvex::tool
{

double steadyStateOutputDb(const std::vector<ParameterSetting>& settings, double inputDb)
{
    EngineSession session = openEngineSession();
    prepareEngine(*session.engine, host::kStaticCurveSampleRate, settings);
    return host::steadyStateOutputDb(*session.engine, inputDb);
}

} // namespace corvex::tool
