#include <corvex_engine.h>

#include <cstdio>
#include <cstring>

// Creates an engine through the installed package, runs one block and checks the version.
int main()
{
    CorvexEngine* engine = createCorvexEngine();
    if (engine == nullptr || std::strcmp(engine->getVersion(), "1.0.11") != 0)
        return 1;
    engine->setSampleRate(48000);
    float in[32] = {0.5f};
    float out[32] = {};
    const float* inputs[] = {in};
    float* outputs[] = {out};
    engine->process(inputs, outputs, nullptr, 1, 32);
    const int latency = engine->getLatencySamples();
    delete engine;
    std::printf("consumer: latency %d\n", latency);
    return latency == 240 ? 0 : 1;
}
