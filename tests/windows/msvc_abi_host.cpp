// A Windows host as MSVC would build it: the Microsoft C++ ABI, only the
// public header, no C runtime and no Windows SDK, with the few KERNEL32 calls
// declared here. It loads corvex-engine.dll from the current directory, calls
// every one of the fifteen operations through the header's virtual interface,
// checks the results and exits with the number of failed checks.
#include "corvex_engine.h"

extern "C"
{
    __declspec(dllimport) void* __stdcall LoadLibraryA(const char* fileName);
    __declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* procName);
    __declspec(dllimport) int __stdcall FreeLibrary(void* module);
    __declspec(dllimport) void* __stdcall GetStdHandle(unsigned long stdHandle);
    __declspec(dllimport) int __stdcall WriteFile(void* file, const void* bytes, unsigned long size, unsigned long* written, void*);
    __declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned int exitCode);
    // PROCESS_MEMORY_COUNTERS: a size, a count, then eight sizes, the seventh the committed bytes.
    __declspec(dllimport) int __stdcall K32GetProcessMemoryInfo(void* process, unsigned long long* counters, unsigned long size);
    // The compiler marks programs that use floating point with this symbol, which the C runtime would define.
    int _fltused = 0;
}

namespace
{

int failures = 0;

void check(bool passed, const char* what)
{
    const char* texts[] = {passed ? "ok     " : "FAILED ", what, "\n"};
    for (const char* text : texts)
    {
        unsigned long length = 0, written = 0;
        while (text[length] != 0)
            ++length;
        WriteFile(GetStdHandle(static_cast<unsigned long>(-11)), text, length, &written, nullptr);
    }
    failures += passed ? 0 : 1;
}

bool same(const char* text, const char* expected, int count)
{
    for (int index = 0; index < count; ++index)
        if (text[index] != expected[index])
            return false;
    return true;
}

// The engine's text in a buffer of '#', up to and including the byte after the length given.
typedef void (CorvexEngine::*TextOperation)(int, char*, int);
bool textIs(CorvexEngine& engine, TextOperation operation, int id, int length, const char* expected)
{
    char buffer[40];
    for (char& byte : buffer)
        byte = '#';
    (engine.*operation)(id, buffer, length);
    return same(buffer, expected, length + 1);
}

unsigned long long committedBytes()
{
    unsigned long long counters[9] = {9 * 8};
    K32GetProcessMemoryInfo(reinterpret_cast<void*>(static_cast<long long>(-1)), counters, 9 * 8);
    return counters[7];
}

int run()
{
    void* library = LoadLibraryA("corvex-engine.dll");
    typedef CorvexEngine* (*Factory)();
    const Factory create = library ? reinterpret_cast<Factory>(GetProcAddress(library, "createCorvexEngine")) : nullptr;
    check(create != nullptr, "LoadLibrary and GetProcAddress find createCorvexEngine");
    if (create == nullptr)
        return failures;
    CorvexEngine& engine = *create();

    check(same(engine.getVersion(), "1.0.11", 7), "getVersion");
    check(engine.getNormalizedValue(5) == 0.1f && engine.getNormalizedValue(7) == 0.3f, "getNormalizedValue: defaults");
    check(engine.getDisplayValue(1, 0.5f) == -24.0f && engine.getDisplayValue(6, 0.25f) == 25.0f, "getDisplayValue");
    check(engine.getCurrentDisplayValue(6) == 100.0f, "getCurrentDisplayValue");
    check(textIs(engine, &CorvexEngine::getParameterName, 6, 32, "Dry / Wet\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0#"),
          "getParameterName pads with NUL");
    check(textIs(engine, &CorvexEngine::getParameterName, 7, 4, "SC D#"), "getParameterName cuts without terminator");
    check(textIs(engine, &CorvexEngine::getParameterUnit, 1, 8, "dB\0\0\0\0\0\0#"), "getParameterUnit");
    char mode[16];
    engine.getValueText(7, 0.3f, mode, 16);
    check(same(mode, "Dual\0\0\0\0\0\0\0\0\0\0\0\0", 16), "getValueText(7, 0.3) gives \"Dual\"");
    engine.setNormalizedValue(5, 0.8f);
    check(engine.getNormalizedValue(5) == 0.8f, "setNormalizedValue");
    check(textIs(engine, &CorvexEngine::getCurrentValueText, 5, 4, "All\0#"), "getCurrentValueText");
    engine.resetParameters();
    check(engine.getNormalizedValue(5) == 0.1f, "resetParameters");

    // process and the meters through the interface: with the effect off, once the latency has
    // passed, each channel is its input and its meters show that input's peak and no reduction.
    // (That the delay is exactly the latency is checked at the engine level by the unit suite.)
    check(engine.getLatencySamples() == 0, "getLatencySamples before a rate is set");
    engine.setNormalizedValue(kParamEnableEffect, 0.0f);
    engine.setSampleRate(48000);
    check(engine.getLatencySamples() == 240, "getLatencySamples at 48000 Hz");
    float in[2][32], out[2][32];
    for (int index = 0; index < 32; ++index)
    {
        in[0][index] = -0.5f;
        in[1][index] = 0.25f;
    }
    const float* inputs[] = {in[0], in[1]};
    float* outputs[] = {out[0], out[1]};
    for (int block = 0; block < 10; ++block)
        engine.process(inputs, outputs, nullptr, 2, 32);
    check(out[0][0] == -0.5f && out[0][31] == -0.5f && out[1][0] == 0.25f && out[1][31] == 0.25f,
          "process passes each channel through after the latency");
    check(engine.getMeterValue(kMeterGainReduction0) == 1.0f && engine.getMeterValue(kMeterGainReduction1) == 1.0f &&
              engine.getMeterValue(kMeterInput0) == 0.5f && engine.getMeterValue(kMeterOutput0) == 0.5f &&
              engine.getMeterValue(kMeterInput1) == 0.25f && engine.getMeterValue(kMeterOutput1) == 0.25f,
          "getMeterValue: no reduction, the peaks of the input");
    delete &engine;

    // Deleting must free the engine object itself, not only what it owns: ten
    // thousand engines leave the memory in use where one did, while a leak of
    // the object alone would grow it by over a megabyte.
    delete create();
    const unsigned long long before = committedBytes();
    for (int round = 0; round < 10000; ++round)
        delete create();
    check(committedBytes() < before + 512u * 1024u, "delete frees the engine (10000 rounds)");
    FreeLibrary(library);
    return failures;
}

} // namespace

extern "C" void hostMain()
{
    ExitProcess(static_cast<unsigned int>(run()));
}
