#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace core
{

// The Xlib calls the message window needs, resolved from libX11 at run time so
// that nothing links against X11 and headless hosts load the engine as usual.
struct X11Library
{
    decltype(&::XOpenDisplay) openDisplay;
    decltype(&::XCloseDisplay) closeDisplay;
    decltype(&::XSetErrorHandler) setErrorHandler;
    decltype(&::XSetIOErrorHandler) setIOErrorHandler;
    decltype(&::XSetIOErrorExitHandler) setIOErrorExitHandler;
    decltype(&::XInternAtom) internAtom;
    decltype(&::XCreateSimpleWindow) createSimpleWindow;
    decltype(&::XDestroyWindow) destroyWindow;
    decltype(&::XStoreName) storeName;
    decltype(&::XChangeProperty) changeProperty;
    decltype(&::XSetWMProtocols) setWMProtocols;
    decltype(&::XSetWMNormalHints) setWMNormalHints;
    decltype(&::XSetClassHint) setClassHint;
    decltype(&::XSelectInput) selectInput;
    decltype(&::XMapRaised) mapRaised;
    decltype(&::XSetInputFocus) setInputFocus;
    decltype(&::XPending) pending;
    decltype(&::XNextEvent) nextEvent;
    decltype(&::XSendEvent) sendEvent;
    decltype(&::XFlush) flush;
    decltype(&::XLookupKeysym) lookupKeysym;
    decltype(&::XSetSelectionOwner) setSelectionOwner;
    decltype(&::XLoadQueryFont) loadQueryFont;
    decltype(&::XFreeFont) freeFont;
    decltype(&::XTextWidth) textWidth;
    decltype(&::XCreateGC) createGC;
    decltype(&::XFreeGC) freeGC;
    decltype(&::XSetForeground) setForeground;
    decltype(&::XSetFont) setFont;
    decltype(&::XFillRectangle) fillRectangle;
    decltype(&::XDrawRectangle) drawRectangle;
    decltype(&::XFillPolygon) fillPolygon;
    decltype(&::XDrawString) drawString;
    decltype(&::XParseColor) parseColor;
    decltype(&::XAllocColor) allocColor;
    decltype(&::XFreeColors) freeColors;

    // The library, loaded on first use and kept for the life of the process;
    // null when libX11 or one of these calls is not available.
    static const X11Library* get();
};

} // namespace core
