// A small host for the interface tests: loads the CLAP or VST3 plug-in in the
// test hosts, opens its interface in a window of its own and runs it from the
// main thread as a host would (timers, main-thread callbacks, Windows
// messages), processing a tone that jumps between loud and quiet so that the
// meters move. It prints where the view is, then "ready", then every gesture
// and value of a control the interface sends to the host:
//   gesture-begin INDEX / value INDEX VALUE / gesture-end INDEX
// Usage: plugin_gui_probe clap|vst3 PLUGIN SECONDS
#include "tests/plugin_hosts/hosted_plugin.h"
#include "tests/plugin_ui/host_window.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

int main(int argc, char** argv)
{
    using namespace corvex::plugin_hosts;
    constexpr double kSampleRate = 48000.0;
    constexpr int kBlockFrames = 768; // 16 ms, a whole number of 32-sample engine calls
    const bool clap = argc == 4 && std::strcmp(argv[1], "clap") == 0;
    if (argc != 4 || (!clap && std::strcmp(argv[1], "vst3") != 0))
        return std::fprintf(stderr, "usage: plugin_gui_probe clap|vst3 PLUGIN SECONDS\n"), 2;
    try
    {
        std::unique_ptr<corvex::plugin_ui::HostWindow> window; // outlives the plug-in's view
        const std::unique_ptr<HostedPlugin> plugin =
            clap ? loadClapPlugin(argv[2], "org.corvex.stereo", kSampleRate, kBlockFrames)
                 : loadVst3Plugin(argv[2], kSampleRate, kBlockFrames);
        plugin->onEditorResize = [&](uint32_t width, uint32_t height) { window->resize(width, height); };
        plugin->onEditorEvent = [](const EditorEvent& event) {
            if (event.kind == EditorEvent::Value)
                std::printf("value %d %.4f\n", event.index, event.plainValue);
            else
                std::printf("gesture-%s %d\n", event.kind == EditorEvent::GestureBegin ? "begin" : "end", event.index);
            std::fflush(stdout);
        };
        const std::string title = plugin->displayName();
        plugin->openEditor([&](uint32_t width, uint32_t height) {
            window = std::make_unique<corvex::plugin_ui::HostWindow>(title.c_str(), width, height);
            return window->handle();
        });
        window->printPlacement();
        std::printf("ready\n");
        std::fflush(stdout);

        const AudioLayout layout = plugin->audioLayout();
        std::vector<std::vector<float>> channels(static_cast<std::size_t>(layout.mainInputs + layout.outputs),
                                                 std::vector<float>(kBlockFrames));
        std::vector<float*> pointers;
        for (auto& channel : channels)
            pointers.push_back(channel.data());
        const std::span<float*> inputs(pointers.data(), static_cast<std::size_t>(layout.mainInputs));
        const auto start = std::chrono::steady_clock::now();
        const auto end = start + std::chrono::duration<double>(std::atof(argv[3]));
        for (uint64_t frame = 0; std::chrono::steady_clock::now() < end; frame += kBlockFrames)
        {
            // A 1 kHz tone on the main input, at -6 dBFS for 0.6 s then at -30 dBFS for 0.6 s of
            // the clock's time: blocks come slower than real time while the interface draws.
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double amplitude = std::fmod(seconds, 1.2) < 0.6 ? 0.5 : 0.0316;
            for (int offset = 0; offset < kBlockFrames; ++offset)
            {
                const double time = static_cast<double>(frame + static_cast<uint64_t>(offset)) / kSampleRate;
                for (float* channel : inputs)
                    channel[offset] = static_cast<float>(amplitude * std::sin(2.0 * 3.141592653589793 * 1000.0 * time));
            }
            require(plugin->process(inputs, {}, std::span(pointers).subspan(inputs.size()), kBlockFrames),
                    "the plug-in failed to process");
            window->pumpMessages();
            plugin->idleEditor();
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
    }
    catch (const std::exception& error)
    {
        return std::fprintf(stderr, "%s\n", error.what()), 1;
    }
    return 0;
}
