#include "core/x11_error_trap.h"

#include <mutex>

namespace core
{

namespace
{

std::mutex handlerMutex;
int activeTraps = 0;
std::atomic<XErrorHandler> previousErrorHandler{nullptr};
std::atomic<XIOErrorHandler> previousIOErrorHandler{nullptr};

// Errors arrive on the thread that made the failing call, so the trap of the
// display in use is found through the thread.
thread_local X11ErrorTrap* trapOfThisThread = nullptr;

} // namespace

X11ErrorTrap::X11ErrorTrap(const X11Library& x11, Display* display)
    : x11_(x11), display_(display)
{
    trapOfThisThread = this;
    {
        std::lock_guard lock(handlerMutex);
        if (activeTraps++ == 0)
        {
            previousErrorHandler.store(x11_.setErrorHandler(&onError));
            previousIOErrorHandler.store(x11_.setIOErrorHandler(&onIOError));
        }
    }
    x11_.setIOErrorExitHandler(display_, &onIOErrorExit, this);
}

X11ErrorTrap::~X11ErrorTrap()
{
    {
        std::lock_guard lock(handlerMutex);
        if (--activeTraps == 0)
        {
            x11_.setErrorHandler(previousErrorHandler.load());
            x11_.setIOErrorHandler(previousIOErrorHandler.load());
        }
    }
    trapOfThisThread = nullptr;
}

int X11ErrorTrap::onError(Display* display, XErrorEvent* event)
{
    if (trapOfThisThread != nullptr && trapOfThisThread->display_ == display)
        return 0;
    if (XErrorHandler previous = previousErrorHandler.load())
        return previous(display, event);
    return 0;
}

int X11ErrorTrap::onIOError(Display* display)
{
    if (trapOfThisThread != nullptr && trapOfThisThread->display_ == display)
    {
        trapOfThisThread->connectionLost_.store(true, std::memory_order_relaxed);
        return 0;
    }
    if (XIOErrorHandler previous = previousIOErrorHandler.load())
        return previous(display);
    return 0;
}

void X11ErrorTrap::onIOErrorExit(Display*, void* trap)
{
    // Returning instead of exiting leaves the display marked dead; Xlib calls
    // on it then return at once.
    static_cast<X11ErrorTrap*>(trap)->connectionLost_.store(true, std::memory_order_relaxed);
}

} // namespace core
