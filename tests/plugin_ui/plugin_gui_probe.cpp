// A small host for the interface tests: loads a CLAP or VST3 plug-in, opens
// its interface in a window of its own and runs it from the main thread as a
// host would (timers, main-thread callbacks, Windows messages), processing a
// tone that jumps between loud and quiet so that the meters move. It prints
// where the view is, then "ready", then every gesture and value of a control
// the interface sends to the host.
// Usage: plugin_gui_probe clap|vst3 PLUGIN SECONDS
#include "gui_probe.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace corvex::plugin_ui
{

void printGesture(uint32_t index, bool begin)
{
    if (index < kNumControls)
        std::printf("gesture-%s %u\n", begin ? "begin" : "end", index), std::fflush(stdout);
}

void printValue(uint32_t index, double value)
{
    if (index < kNumControls)
        std::printf("value %u %.4f\n", index, value), std::fflush(stdout);
}

void* loadLibrary(const char* path)
{
#ifdef _WIN32
    void* library = LoadLibraryA(path);
#else
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
    require(library != nullptr, std::string("cannot load ") + path);
    return library;
}

void* librarySymbol(void* library, const char* name)
{
#ifdef _WIN32
    auto* symbol = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    void* symbol = dlsym(library, name);
#endif
    require(symbol != nullptr, std::string("the plug-in exports no ") + name);
    return symbol;
}

} // namespace corvex::plugin_ui

int main(int argc, char** argv)
{
    using namespace corvex::plugin_ui;
    const bool clap = argc == 4 && std::strcmp(argv[1], "clap") == 0;
    if (argc != 4 || (!clap && std::strcmp(argv[1], "vst3") != 0))
        return std::fprintf(stderr, "usage: plugin_gui_probe clap|vst3 PLUGIN SECONDS\n"), 2;
    try
    {
        const std::unique_ptr<ProbedPlugin> plugin = clap ? openClapPlugin(argv[2]) : openVst3Plugin(argv[2]);
        plugin->window->printPlacement();
        std::printf("ready\n");
        std::fflush(stdout);

        const auto start = std::chrono::steady_clock::now();
        const auto end = start + std::chrono::duration<double>(std::atof(argv[3]));
        for (uint64_t frame = 0; std::chrono::steady_clock::now() < end; frame += kBlockFrames)
        {
            // A 1 kHz tone on the main input, at -6 dBFS for 0.6 s then at -30 dBFS for 0.6 s of
            // the clock's time: blocks come slower than real time while the interface draws.
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double amplitude = std::fmod(seconds, 1.2) < 0.6 ? 0.5 : 0.0316;
            for (uint32_t offset = 0; offset < kBlockFrames; ++offset)
            {
                const double time = static_cast<double>(frame + offset) / kSampleRate;
                for (auto& channel : plugin->inputs.at(0).channels)
                    channel[offset] = static_cast<float>(amplitude * std::sin(2.0 * 3.141592653589793 * 1000.0 * time));
            }
            plugin->process();
            plugin->window->pumpMessages();
            plugin->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
    }
    catch (const std::exception& error)
    {
        return std::fprintf(stderr, "%s\n", error.what()), 1;
    }
    return 0;
}
