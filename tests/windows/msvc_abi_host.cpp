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
    __declspec(dllimport) int __stdcall WriteFile(void* file, const void* buffer, unsigned long bytesToWrite,
                                                  unsigned long* bytesWritten, void* overlapped);
    __declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned int exitCode);

    struct ProcessMemoryCounters
    {
        unsigned long cb;
        unsigned long pageFaultCount;
        unsigned long long peakWorkingSetSize;
        unsigned long long workingSetSize;
        unsigned long long quotaPeakPagedPoolUsage;
        unsigned long long quotaPagedPoolUsage;
        unsigned long long quotaPeakNonPagedPoolUsage;
        unsigned long long quotaNonPagedPoolUsage;
        unsigned long long pagefileUsage;
        unsigned long long peakPagefileUsage;
    };
    __declspec(dllimport) int __stdcall K32GetProcessMemoryInfo(void* process, ProcessMemoryCounters* counters,
                                                                unsigned long size);

    // The compiler marks programs that use floating point with this symbol,
    // which the C runtime would otherwise define.
    int _fltused = 0;
}

namespace
{

const unsigned long kStdOutputHandle = static_cast<unsigned long>(-11);
void* const kCurrentProcess = reinterpret_cast<void*>(static_cast<long long>(-1));

int failures = 0;

unsigned long lengthOf(const char* text)
{
    unsigned long length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

void write(const char* text)
{
    unsigned long written = 0;
    WriteFile(GetStdHandle(kStdOutputHandle), text, lengthOf(text), &written, nullptr);
}

void check(bool passed, const char* what)
{
    write(passed ? "ok    " : "FAILED ");
    write(what);
    write("\n");
    if (!passed)
        ++failures;
}

// The first count bytes of the host's buffer are those expected.
bool textIs(const char* buffer, const char* expected, int count)
{
    for (int index = 0; index < count; ++index)
    {
        if (buffer[index] != expected[index])
            return false;
    }
    return true;
}

struct TextBuffer
{
    char bytes[40];

    TextBuffer()
    {
        for (char& byte : bytes)
            byte = '#';
    }
};

void checkTexts(CorvexEngine& engine)
{
    TextBuffer name;
    engine.getParameterName(6, name.bytes, 32);
    check(textIs(name.bytes, "Dry / Wet\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0#", 33),
          "getParameterName(6, 32) gives \"Dry / Wet\" and 23 NULs");
    TextBuffer cut;
    engine.getParameterName(7, cut.bytes, 4);
    check(textIs(cut.bytes, "SC D#", 5), "getParameterName(7, 4) gives four characters and no terminator");
    TextBuffer unit;
    engine.getParameterUnit(1, unit.bytes, 8);
    check(textIs(unit.bytes, "dB\0\0\0\0\0\0#", 9), "getParameterUnit(1, 8) gives \"dB\"");
    TextBuffer mode;
    engine.getValueText(7, 0.3f, mode.bytes, 16);
    check(textIs(mode.bytes, "Dual\0\0\0\0\0\0\0\0\0\0\0\0#", 17), "getValueText(7, 0.3) gives \"Dual\"");
}

void checkParameters(CorvexEngine& engine)
{
    const char* version = engine.getVersion();
    check(textIs(version, "1.0.11", 7), "getVersion gives \"1.0.11\"");
    check(engine.getNormalizedValue(5) == 0.1f && engine.getNormalizedValue(7) == 0.3f,
          "getNormalizedValue gives the defaults");
    check(engine.getDisplayValue(1, 0.5f) == -24.0f && engine.getDisplayValue(6, 0.25f) == 25.0f,
          "getDisplayValue maps input gain and dry/wet");
    check(engine.getCurrentDisplayValue(6) == 100.0f, "getCurrentDisplayValue(6) gives 100");

    engine.setNormalizedValue(5, 0.8f);
    check(engine.getNormalizedValue(5) == 0.8f, "setNormalizedValue stores the value");
    TextBuffer ratio;
    engine.getCurrentValueText(5, ratio.bytes, 4);
    check(textIs(ratio.bytes, "All\0#", 5), "getCurrentValueText(5) gives \"All\" after setting 0.8");
    engine.resetParameters();
    check(engine.getNormalizedValue(5) == 0.1f, "resetParameters restores the default");
}

// With the effect off from the sample-rate set-up on, the output is the input
// delayed by the latency, exactly, and the meters show the delayed input.
void checkProcessing(CorvexEngine& engine)
{
    check(engine.getLatencySamples() == 0, "getLatencySamples gives 0 before the sample rate is set");
    engine.setNormalizedValue(kParamEnableEffect, 0.0f);
    engine.setSampleRate(48000);
    const int latency = engine.getLatencySamples();
    check(latency == 240, "getLatencySamples gives 240 at 48000 Hz");

    float left[kCorvexMaxBufferSize];
    float right[kCorvexMaxBufferSize];
    float outLeft[kCorvexMaxBufferSize];
    float outRight[kCorvexMaxBufferSize];
    for (int index = 0; index < kCorvexMaxBufferSize; ++index)
    {
        left[index] = -0.5f;
        right[index] = 0.25f;
    }
    const float* inputs[] = {left, right};
    float* outputs[] = {outLeft, outRight};
    bool delayedExactly = true;
    for (int block = 0; block < 10; ++block)
    {
        engine.process(inputs, outputs, nullptr, 2, kCorvexMaxBufferSize);
        for (int index = 0; index < kCorvexMaxBufferSize; ++index)
        {
            const bool arrived = block * kCorvexMaxBufferSize + index >= latency;
            delayedExactly = delayedExactly && outLeft[index] == (arrived ? -0.5f : 0.0f) &&
                             outRight[index] == (arrived ? 0.25f : 0.0f);
        }
    }
    check(delayedExactly, "process delays both channels by the latency, sample for sample");
    check(engine.getMeterValue(kMeterGainReduction0) == 1.0f && engine.getMeterValue(kMeterGainReduction1) == 1.0f,
          "getMeterValue gives no gain reduction");
    check(engine.getMeterValue(kMeterInput0) == 0.5f && engine.getMeterValue(kMeterOutput0) == 0.5f &&
              engine.getMeterValue(kMeterInput1) == 0.25f && engine.getMeterValue(kMeterOutput1) == 0.25f,
          "getMeterValue gives the peaks of the delayed input");
}

unsigned long long committedBytes()
{
    ProcessMemoryCounters counters = {};
    counters.cb = sizeof(counters);
    K32GetProcessMemoryInfo(kCurrentProcess, &counters, sizeof(counters));
    return counters.pagefileUsage;
}

int run()
{
    void* library = LoadLibraryA("corvex-engine.dll");
    check(library != nullptr, "LoadLibrary finds corvex-engine.dll");
    if (library == nullptr)
        return failures;
    typedef CorvexEngine* (*Factory)();
    const Factory create = reinterpret_cast<Factory>(GetProcAddress(library, "createCorvexEngine"));
    check(create != nullptr, "GetProcAddress finds createCorvexEngine");
    if (create == nullptr)
        return failures;

    CorvexEngine* engine = create();
    checkParameters(*engine);
    checkTexts(*engine);
    checkProcessing(*engine);
    delete engine;
    check(true, "delete returns");

    // Deleting must free the engine object itself, not only what it owns:
    // ten thousand engines made and deleted leave the memory in use where one
    // did, while a leak of the object alone would grow it by over a megabyte.
    delete create();
    const unsigned long long before = committedBytes();
    for (int round = 0; round < 10000; ++round)
        delete create();
    const unsigned long long after = committedBytes();
    check(after < before + 512u * 1024u, "delete frees the engine (10000 rounds)");

    FreeLibrary(library);
    return failures;
}

} // namespace

extern "C" void hostMain()
{
    ExitProcess(static_cast<unsigned int>(run()));
}
