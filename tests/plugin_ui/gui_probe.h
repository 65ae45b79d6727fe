#pragma once
// What the interface probe shares between plug-in formats: the host's window,
// the lines it prints, the audio buses and the plug-in under test.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvex::plugin_ui
{

constexpr double kSampleRate = 48000.0;
constexpr uint32_t kBlockFrames = 768; // 16 ms, a whole number of 32-sample engine calls
constexpr uint32_t kNumControls = 20;  // the meters, output parameters, follow the controls

inline void require(bool condition, const std::string& what)
{
    if (!condition)
        throw std::runtime_error(what);
}

// A top-level window holding the plug-in's view: an X11 window, or a Windows one.
// Its placement is printed as "view X Y WIDTH HEIGHT" (X Y: the view's corner on the screen).
class HostWindow
{
public:
    HostWindow(const char* title, uint32_t width, uint32_t height);
    ~HostWindow();
    uintptr_t handle() const { return window_; } // the X11 Window, or the HWND
    void resize(uint32_t width, uint32_t height);
    void pumpMessages(); // Windows' message queue; X11 needs nothing
    void printPlacement() const;

private:
    void* display_ = nullptr;
    uintptr_t window_ = 0;
};

// A control's events as the host sees them, one a line:
//   gesture-begin INDEX / value INDEX VALUE / gesture-end INDEX
// Meters, the output parameters after the controls, are left out.
void printGesture(uint32_t index, bool begin);
void printValue(uint32_t index, double value);

// A plug-in binary loaded into the process, and one of its exported functions.
void* loadLibrary(const char* path);
void* librarySymbol(void* library, const char* name);

// The channels of one audio bus and the pointers to them.
struct Bus
{
    explicit Bus(uint32_t channelCount) : channels(channelCount, std::vector<float>(kBlockFrames))
    {
        for (auto& channel : channels)
            pointers.push_back(channel.data());
    }
    std::vector<std::vector<float>> channels;
    std::vector<float*> pointers;
};

// A plug-in with its interface open in a window, run as a host would from the main thread.
class ProbedPlugin
{
public:
    virtual ~ProbedPlugin() = default;
    virtual void process() = 0; // one block from inputs to outputs
    virtual void idle() = 0;    // the host's main-thread work: timers, callbacks

    std::unique_ptr<HostWindow> window;
    std::vector<Bus> inputs, outputs; // the tone goes to inputs[0]
};

// Both throw std::runtime_error saying what failed.
std::unique_ptr<ProbedPlugin> openClapPlugin(const char* path);
std::unique_ptr<ProbedPlugin> openVst3Plugin(const char* path);

} // namespace corvex::plugin_ui
