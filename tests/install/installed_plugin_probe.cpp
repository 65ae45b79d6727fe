// Finds the installed Corvex plug-in of one format where hosts look for it (no
// path is given), loads it with our test host, processes noise and checks the
// output. With --hold, keeps it loaded (as a running DAW does) until stdin closes.
//
//   corvex_installed_plugin_probe clap|vst3 [--hold]
//
// Prints "loaded PATH" and exits 0, or prints why not and exits 1.
#include "tests/plugin_hosts/hosted_plugin.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using namespace corvex::plugin_hosts;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The folders a host searches, in its order: the format's path variable, the
// user's folder, the system's.
std::vector<fs::path> searchFolders(const std::string& format)
{
    std::vector<fs::path> folders;
#if defined(_WIN32)
    const char separator = ';';
    const std::string upper = format == "clap" ? "CLAP" : "VST3";
    const std::string pathVariable = format == "clap" ? environment("CLAP_PATH") : "";
    folders.push_back(fs::path(environment("LOCALAPPDATA")) / "Programs" / "Common" / upper);
    folders.push_back(fs::path(environment("COMMONPROGRAMFILES")) / upper);
#else
    const char separator = ':';
    const std::string pathVariable = format == "clap" ? environment("CLAP_PATH") : "";
    folders.push_back(fs::path(environment("HOME")) / ("." + format));
    folders.push_back(fs::path("/usr/lib") / format);
    folders.push_back(fs::path("/usr/local/lib") / format);
#endif
    std::vector<fs::path> fromVariable;
    for (std::size_t start = 0; start < pathVariable.size();)
    {
        const std::size_t end = std::min(pathVariable.find(separator, start), pathVariable.size());
        if (end > start)
            fromVariable.emplace_back(pathVariable.substr(start, end - start));
        start = end + 1;
    }
    folders.insert(folders.begin(), fromVariable.begin(), fromVariable.end());
    return folders;
}

// The binary a host loads: the CLAP file, or the module inside a VST3 bundle.
fs::path pluginBinary(const fs::path& folder, const std::string& format)
{
    if (format == "clap")
        return folder / "Corvex.clap";
#if defined(_WIN32)
    return folder / "Corvex.vst3" / "Contents" / "x86_64-win" / "Corvex.vst3";
#else
    return folder / "Corvex.vst3" / "Contents" / "x86_64-linux" / "Corvex.so";
#endif
}

bool processesNoise(HostedPlugin& plugin)
{
    constexpr int kFrames = 512;
    std::vector<float> left(kFrames), right(kFrames), outLeft(kFrames, NAN), outRight(kFrames, NAN);
    unsigned seed = 1;
    for (int i = 0; i < kFrames; ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        left[i] = right[i] = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    if (!plugin.process(inputs, {}, outputs, kFrames))
        return false;
    double energy = 0.0;
    for (int i = 0; i < kFrames; ++i)
    {
        if (!std::isfinite(outLeft[i]) || !std::isfinite(outRight[i]))
            return false;
        energy += static_cast<double>(outLeft[i]) * outLeft[i];
    }
    return energy > 0.0; // the latency is shorter than the block
}

} // namespace

int main(int argc, char** argv)
{
    const std::string format = argc > 1 ? argv[1] : "";
    const bool hold = argc > 2 && std::string(argv[2]) == "--hold";
    if (format != "clap" && format != "vst3")
    {
        std::cerr << "usage: corvex_installed_plugin_probe clap|vst3 [--hold]\n";
        return 2;
    }
    for (const fs::path& folder : searchFolders(format))
    {
        const fs::path binary = pluginBinary(folder, format);
        if (!fs::exists(binary))
            continue;
        try
        {
            auto plugin = format == "clap" ? loadClapPlugin(binary.string(), "org.corvex.stereo", 48000.0, 512)
                                           : loadVst3Plugin(binary.string(), 48000.0, 512);
            if (!processesNoise(*plugin))
            {
                std::cerr << binary.string() << ": the output is not finite or silent\n";
                return 1;
            }
            std::cout << "loaded " << binary.string() << std::endl;
            if (hold)
                while (std::getchar() != EOF)
                {
                }
            return 0;
        }
        catch (const std::exception& failure)
        {
            std::cerr << binary.string() << ": " << failure.what() << "\n";
            return 1;
        }
    }
    std::cerr << "no Corvex " << format << " plug-in in the standard folders\n";
    return 1;
}
