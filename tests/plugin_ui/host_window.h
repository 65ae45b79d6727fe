#pragma once

#include <cstdint>

namespace corvex::plugin_ui
{

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

} // namespace corvex::plugin_ui
