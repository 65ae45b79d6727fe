#pragma once

#include "core/x11_library.h"

#include <atomic>

namespace core
{

// While alive, makes errors on one display connection harmless: protocol
// errors are ignored and a lost connection is only noted, where Xlib's
// defaults would end the process. Errors of other connections still go to the
// handlers that were installed before. The first trap of the process installs
// the handlers and the last one restores the previous ones. Must live on the
// thread that uses the display.
class X11ErrorTrap
{
public:
    X11ErrorTrap(const X11Library& x11, Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // True once the connection is gone; the display may then only be closed.
    bool connectionLost() const { return connectionLost_.load(std::memory_order_relaxed); }

private:
    static int onError(Display* display, XErrorEvent* event);
    static int onIOError(Display* display);
    static void onIOErrorExit(Display* display, void* trap);

    const X11Library& x11_;
    Display* display_;
    std::atomic<bool> connectionLost_{false};
};

} // namespace core
