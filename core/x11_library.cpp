#include "core/x11_library.h"

#include <dlfcn.h>

#include <type_traits>

namespace core
{

namespace
{

bool resolveAll(void* library, X11Library& x11)
{
    bool complete = true;
    auto bind = [&](const char* name, auto& function) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
        complete = complete && function != nullptr;
    };
    bind("XOpenDisplay", x11.openDisplay);
    bind("XCloseDisplay", x11.closeDisplay);
    bind("XSetErrorHandler", x11.setErrorHandler);
    bind("XSetIOErrorHandler", x11.setIOErrorHandler);
    bind("XSetIOErrorExitHandler", x11.setIOErrorExitHandler);
    bind("XInternAtom", x11.internAtom);
    bind("XCreateSimpleWindow", x11.createSimpleWindow);
    bind("XDestroyWindow", x11.destroyWindow);
    bind("XStoreName", x11.storeName);
    bind("XChangeProperty", x11.changeProperty);
    bind("XSetWMProtocols", x11.setWMProtocols);
    bind("XSetWMNormalHints", x11.setWMNormalHints);
    bind("XSetClassHint", x11.setClassHint);
    bind("XSelectInput", x11.selectInput);
    bind("XMapRaised", x11.mapRaised);
    bind("XSetInputFocus", x11.setInputFocus);
    bind("XPending", x11.pending);
    bind("XNextEvent", x11.nextEvent);
    bind("XSendEvent", x11.sendEvent);
    bind("XFlush", x11.flush);
    bind("XLookupKeysym", x11.lookupKeysym);
    bind("XSetSelectionOwner", x11.setSelectionOwner);
    bind("XLoadQueryFont", x11.loadQueryFont);
    bind("XFreeFont", x11.freeFont);
    bind("XTextWidth", x11.textWidth);
    bind("XCreateGC", x11.createGC);
    bind("XFreeGC", x11.freeGC);
    bind("XSetForeground", x11.setForeground);
    bind("XSetFont", x11.setFont);
    bind("XFillRectangle", x11.fillRectangle);
    bind("XDrawRectangle", x11.drawRectangle);
    bind("XFillPolygon", x11.fillPolygon);
    bind("XDrawString", x11.drawString);
    bind("XParseColor", x11.parseColor);
    bind("XAllocColor", x11.allocColor);
    bind("XFreeColors", x11.freeColors);
    return complete;
}

const X11Library* load()
{
    // Loaded once and never unloaded: Xlib keeps process-wide state.
    void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return nullptr;
    static X11Library x11{};
    if (!resolveAll(library, x11))
    {
        dlclose(library);
        return nullptr;
    }
    return &x11;
}

} // namespace

const X11Library* X11Library::get()
{
    static const X11Library* const library = load();
    return library;
}

} // namespace core
