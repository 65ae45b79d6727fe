// Finds the installed Corvex plug-in of one format where hosts look for it (no
// path is given), loads it with our test host, processes noise and checks the
// output. With --hold, keeps it loaded (as a running DAW does) until stdin closes.
//
//   corvex_installed_plugin_probe clap|vst3 [--hold]
//
// Prints "loaded PATH" and exits 0, or prints why not and exits 1.
#include "tests/plugin_hosts/hosted_plugin.h"
#include "tests/support/engine_driver.h"

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

// The binaries a host tries, in its order: the user's folder, then the system's.
std::vector<fs::path> candidates(const std::string& format)
{
    auto variable = [](const char* name) { return fs::path(std::getenv(name) != nullptr ? std::getenv(name) : ""); };
#if defined(_WIN32)
    const std::string folder = format == "clap" ? "CLAP" : "VST3";
    const fs::path inBundle = fs::path("Contents") / "x86_64-win" / "Corvex.vst3";
    const std::vector<fs::path> folders{variable("LOCALAPPDATA") / "Programs" / "Common" / folder,
                                        variable("COMMONPROGRAMFILES") / folder};
#else
    const fs::path inBundle = fs::path("Contents") / "x86_64-linux" / "Corvex.so";
    const std::vector<fs::path> folders{variable("HOME") / ("." + format), fs::path("/usr/lib") / format,
                                        fs::path("/usr/local/lib") / format};
#endif
    std::vector<fs::path> binaries;
    for (const fs::path& folder : folders)
        binaries.push_back(format == "clap" ? folder / "Corvex.clap" : folder / "Corvex.vst3" / inBundle);
    return binaries;
}

bool processesNoise(HostedPlugin& plugin)
{
    constexpr int kFrames = 512;
    std::vector<float> left = corvex::testing::noise(0.5, kFrames, 1), right = left;
    std::vector<float> outLeft(kFrames, NAN), outRight(kFrames, NAN);
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
    for (const fs::path& binary : candidates(format))
    {
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
