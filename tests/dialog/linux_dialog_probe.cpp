// Provokes one argument report through the shared library's public interface
// and says when the call has returned.
#include "corvex_engine.h"

#include <cstdio>

int main()
{
    CorvexEngine* engine = createCorvexEngine();
    engine->getNormalizedValue(25); // an invalid identifier: one report
    std::printf("returned\n");
    delete engine;
    return 0;
}
