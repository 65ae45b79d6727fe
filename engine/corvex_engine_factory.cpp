// The engine's factory, the one function of the public interface. It is built
// twice: marked for export into the shared library (CORVEX_ENGINE_BUILDING)
// and unmarked into corvex_model, the engine that programs link in
// (CORVEX_ENGINE_STATIC); the signal path behind it is built once.
#include "corvex_engine.h"
#include "model/corvex_modelengine.h"

CorvexEngine* createCorvexEngine()
{
    return new corvex::CorvexPrivateEngine();
}
