// The probe's top-level window, into which the plug-in's view is embedded.
#include "tests/plugin_ui/host_window.h"

#include "tests/plugin_hosts/hosted_plugin.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#endif

namespace corvex::plugin_ui
{
using plugin_hosts::require;

#ifdef _WIN32

namespace
{
// A window with a title bar whose painting leaves the view alone.
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

// The outer size of a window with a title bar whose inside is width x height.
RECT outerRect(uint32_t width, uint32_t height)
{
    RECT rect{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    AdjustWindowRect(&rect, kStyle, FALSE);
    return rect;
}
} // namespace

HostWindow::HostWindow(const char* title, uint32_t width, uint32_t height)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "CorvexProbeWindow";
    RegisterClassA(&windowClass);
    const RECT outer = outerRect(width, height);
    window_ = reinterpret_cast<uintptr_t>(CreateWindowExA(0, windowClass.lpszClassName, title, kStyle,
                                                          20, 20, outer.right - outer.left, outer.bottom - outer.top,
                                                          nullptr, nullptr, windowClass.hInstance, nullptr));
    require(window_ != 0, "cannot create the host window");
    ShowWindow(reinterpret_cast<HWND>(window_), SW_SHOWNORMAL);
}

HostWindow::~HostWindow()
{
    DestroyWindow(reinterpret_cast<HWND>(window_));
}

void HostWindow::resize(uint32_t width, uint32_t height)
{
    const RECT outer = outerRect(width, height);
    SetWindowPos(reinterpret_cast<HWND>(window_), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    printPlacement();
}

void HostWindow::pumpMessages()
{
    // The interface's timer and paints may refill the queue as fast as it
    // empties: a time limit keeps the audio going.
    const DWORD end = GetTickCount() + 30;
    for (MSG message; GetTickCount() < end && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);)
    {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void HostWindow::printPlacement() const
{
    RECT inside{};
    GetClientRect(reinterpret_cast<HWND>(window_), &inside);
    POINT corner{0, 0};
    ClientToScreen(reinterpret_cast<HWND>(window_), &corner);
    std::printf("view %ld %ld %ld %ld\n", corner.x, corner.y, inside.right, inside.bottom);
    std::fflush(stdout);
}

#else

HostWindow::HostWindow(const char* title, uint32_t width, uint32_t height) : display_(XOpenDisplay(nullptr))
{
    require(display_ != nullptr, "cannot open the X display");
    auto* display = static_cast<Display*>(display_);
    window_ = XCreateSimpleWindow(display, DefaultRootWindow(display), 20, 20, width, height, 0, 0, 0);
    XStoreName(display, window_, title);
    XMapWindow(display, window_);
    XSync(display, False);
}

HostWindow::~HostWindow()
{
    XDestroyWindow(static_cast<Display*>(display_), window_);
    XCloseDisplay(static_cast<Display*>(display_));
}

void HostWindow::resize(uint32_t width, uint32_t height)
{
    XResizeWindow(static_cast<Display*>(display_), window_, width, height);
    XSync(static_cast<Display*>(display_), False);
    printPlacement();
}

void HostWindow::pumpMessages() {}

void HostWindow::printPlacement() const
{
    auto* display = static_cast<Display*>(display_);
    int x = 0, y = 0;
    Window child = 0;
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window_, &attributes);
    XTranslateCoordinates(display, window_, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    std::printf("view %d %d %d %d\n", x, y, attributes.width, attributes.height);
    std::fflush(stdout);
}

#endif

} // namespace corvex::plugin_ui
