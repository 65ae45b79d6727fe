#include "core/message_window.h"

#include "core/error_dialog_layout.h"
#include "core/message_stderr.h"
#include "core/text_wrap.h"
#include "core/x11_error_trap.h"
#include "core/x11_library.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <poll.h>

#include <algorithm>
#include <vector>

namespace core
{

namespace
{

constexpr const char* kFontNames[] = {"-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1", "fixed"};
constexpr int kIconSizePx = 32;
constexpr int kPollIntervalMs = 100;

// Text bytes are Latin-1, as on Windows where each byte becomes the code point of the same value.
std::string latin1ToUtf8(const std::string& text)
{
    std::string utf8;
    for (char c : text)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
        {
            utf8.push_back(c);
        }
        else
        {
            utf8.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return utf8;
}

enum class Colour
{
    Band,
    Face,
    Text,
    Edge,
    Warning,
    Count
};

constexpr const char* kColourSpecs[] = {"#ffffff", "#f0f0f0", "#000000", "#7a7a7a", "#f7c325"};

// A modal message window on one display connection: warning icon, wrapped
// text on a white band, one OK button. Return, Enter, space, Escape, the
// button and the window manager's close button dismiss it; Ctrl+C copies the
// text to the clipboard.
class X11MessageWindow
{
public:
    X11MessageWindow(const X11Library& x11, Display* display, const X11ErrorTrap& trap)
        : x11_(x11), display_(display), trap_(trap)
    {
    }
    ~X11MessageWindow() { release(); }
    X11MessageWindow(const X11MessageWindow&) = delete;
    X11MessageWindow& operator=(const X11MessageWindow&) = delete;

    // Shows title and text and waits. True when the user dismissed the
    // window; false when it could not be shown, was destroyed from outside or
    // the connection was lost.
    bool run(const std::string& title, const std::string& text);

private:
    bool create(const std::string& title);
    void layOut();
    void draw();
    void handle(XEvent& event);
    void answerSelectionRequest(const XSelectionRequestEvent& request);
    bool insideButton(int x, int y) const;
    bool waiting() const { return !dismissed_ && window_ != 0 && !trap_.connectionLost(); }
    void release();

    const X11Library& x11_;
    Display* display_;
    const X11ErrorTrap& trap_;
    Window window_ = 0;
    GC gc_ = nullptr;
    XFontStruct* font_ = nullptr;
    unsigned long colours_[static_cast<int>(Colour::Count)] = {};
    std::vector<unsigned long> allocatedColours_;
    Atom protocols_ = 0;
    Atom deleteWindow_ = 0;
    Atom clipboard_ = 0;
    Atom targets_ = 0;
    Atom utf8String_ = 0;
    std::string text_;
    std::vector<std::string> lines_;
    ErrorDialogPixelLayout layout_{};
    bool buttonPressed_ = false;
    bool dismissed_ = false;
};

bool X11MessageWindow::run(const std::string& title, const std::string& text)
{
    text_ = text;
    if (!create(title))
        return false;
    while (waiting())
    {
        // Only events already queued are read, so no call here waits on a
        // connection that may break; the wait itself is a plain poll.
        while (waiting() && x11_.pending(display_) > 0)
        {
            XEvent event;
            x11_.nextEvent(display_, &event);
            handle(event);
        }
        if (!waiting())
            break;
        pollfd connection{ConnectionNumber(display_), POLLIN, 0};
        poll(&connection, 1, kPollIntervalMs);
    }
    return dismissed_;
}

bool X11MessageWindow::create(const std::string& title)
{
    for (const char* name : kFontNames)
    {
        if ((font_ = x11_.loadQueryFont(display_, name)) != nullptr)
            break;
    }
    if (font_ == nullptr)
        return false;

    const int screen = DefaultScreen(display_);
    const Colormap colormap = DefaultColormap(display_, screen);
    for (int index = 0; index < static_cast<int>(Colour::Count); ++index)
    {
        XColor colour{};
        colours_[index] = index == static_cast<int>(Colour::Band) ? WhitePixel(display_, screen)
                                                                   : BlackPixel(display_, screen);
        if (x11_.parseColor(display_, colormap, kColourSpecs[index], &colour) &&
            x11_.allocColor(display_, colormap, &colour))
        {
            colours_[index] = colour.pixel;
            allocatedColours_.push_back(colour.pixel);
        }
    }

    layOut();
    const int screenWidth = DisplayWidth(display_, screen);
    const int screenHeight = DisplayHeight(display_, screen);
    const int x = std::max(0, (screenWidth - layout_.widthPx) / 2);
    const int y = std::max(0, (screenHeight - layout_.heightPx) / 2);
    window_ = x11_.createSimpleWindow(display_, RootWindow(display_, screen), x, y,
                                      static_cast<unsigned>(layout_.widthPx), static_cast<unsigned>(layout_.heightPx),
                                      0, colours_[static_cast<int>(Colour::Edge)],
                                      colours_[static_cast<int>(Colour::Face)]);
    gc_ = x11_.createGC(display_, window_, 0, nullptr);
    x11_.setFont(display_, gc_, font_->fid);

    x11_.storeName(display_, window_, title.c_str());
    const std::string utf8Title = latin1ToUtf8(title);
    x11_.changeProperty(display_, window_, x11_.internAtom(display_, "_NET_WM_NAME", False),
                        x11_.internAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(utf8Title.data()), static_cast<int>(utf8Title.size()));
    Atom dialogType = x11_.internAtom(display_, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    x11_.changeProperty(display_, window_, x11_.internAtom(display_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&dialogType), 1);
    char resourceName[] = "corvex-message";
    char resourceClass[] = "Corvex";
    XClassHint classHint{resourceName, resourceClass};
    x11_.setClassHint(display_, window_, &classHint);
    XSizeHints sizeHints{};
    sizeHints.flags = PPosition | PSize | PMinSize | PMaxSize;
    sizeHints.x = x;
    sizeHints.y = y;
    sizeHints.width = sizeHints.min_width = sizeHints.max_width = layout_.widthPx;
    sizeHints.height = sizeHints.min_height = sizeHints.max_height = layout_.heightPx;
    x11_.setWMNormalHints(display_, window_, &sizeHints);
    protocols_ = x11_.internAtom(display_, "WM_PROTOCOLS", False);
    deleteWindow_ = x11_.internAtom(display_, "WM_DELETE_WINDOW", False);
    x11_.setWMProtocols(display_, window_, &deleteWindow_, 1);
    clipboard_ = x11_.internAtom(display_, "CLIPBOARD", False);
    targets_ = x11_.internAtom(display_, "TARGETS", False);
    utf8String_ = x11_.internAtom(display_, "UTF8_STRING", False);

    x11_.selectInput(display_, window_,
                     ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);
    x11_.mapRaised(display_, window_);
    x11_.flush(display_);
    return !trap_.connectionLost();
}

void X11MessageWindow::layOut()
{
    const int screen = DefaultScreen(display_);
    const PixelRect bounds =
        errorTextMeasureBounds(kIconSizePx, DisplayWidth(display_, screen), DisplayHeight(display_, screen));
    lines_ = wrapText(text_, bounds.right, [this](std::string_view line) {
        return x11_.textWidth(font_, line.data(), static_cast<int>(line.size()));
    });
    int widthPx = 0;
    for (const std::string& line : lines_)
        widthPx = std::max(widthPx, x11_.textWidth(font_, line.data(), static_cast<int>(line.size())));
    const int lineHeightPx = font_->ascent + font_->descent;
    layout_ = layoutErrorDialogPixels(kIconSizePx, kIconSizePx, widthPx,
                                      lineHeightPx * static_cast<int>(lines_.size()));
}

void X11MessageWindow::draw()
{
    auto fill = [this](Colour colour, int x, int y, int width, int height) {
        x11_.setForeground(display_, gc_, colours_[static_cast<int>(colour)]);
        x11_.fillRectangle(display_, window_, gc_, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
    };
    fill(Colour::Face, 0, 0, layout_.widthPx, layout_.heightPx);
    fill(Colour::Band, 0, 0, layout_.widthPx, layout_.bandHeightPx);

    // Warning sign: a yellow triangle with a black exclamation mark.
    const int iconX = layout_.icon.left;
    const int iconY = layout_.icon.top;
    XPoint triangle[] = {{static_cast<short>(iconX + kIconSizePx / 2), static_cast<short>(iconY + 1)},
                         {static_cast<short>(iconX + kIconSizePx - 1), static_cast<short>(iconY + kIconSizePx - 3)},
                         {static_cast<short>(iconX), static_cast<short>(iconY + kIconSizePx - 3)}};
    x11_.setForeground(display_, gc_, colours_[static_cast<int>(Colour::Warning)]);
    x11_.fillPolygon(display_, window_, gc_, triangle, 3, Convex, CoordModeOrigin);
    fill(Colour::Text, iconX + kIconSizePx / 2 - 2, iconY + 10, 4, 11);
    fill(Colour::Text, iconX + kIconSizePx / 2 - 2, iconY + 23, 4, 3);

    x11_.setForeground(display_, gc_, colours_[static_cast<int>(Colour::Text)]);
    const int lineHeightPx = font_->ascent + font_->descent;
    int baseline = layout_.text.top + font_->ascent;
    for (const std::string& line : lines_)
    {
        x11_.drawString(display_, window_, gc_, layout_.text.left, baseline, line.data(), static_cast<int>(line.size()));
        baseline += lineHeightPx;
    }

    // The default button: a double frame, sunk while pressed.
    const PixelRect& button = layout_.button;
    const int width = button.right - button.left;
    const int height = button.bottom - button.top;
    fill(buttonPressed_ ? Colour::Edge : Colour::Band, button.left, button.top, width, height);
    x11_.setForeground(display_, gc_, colours_[static_cast<int>(Colour::Text)]);
    x11_.drawRectangle(display_, window_, gc_, button.left, button.top, static_cast<unsigned>(width - 1),
                       static_cast<unsigned>(height - 1));
    x11_.setForeground(display_, gc_, colours_[static_cast<int>(Colour::Edge)]);
    x11_.drawRectangle(display_, window_, gc_, button.left + 1, button.top + 1, static_cast<unsigned>(width - 3),
                       static_cast<unsigned>(height - 3));
    const char label[] = "OK";
    const int labelWidth = x11_.textWidth(font_, label, 2);
    x11_.setForeground(display_, gc_, colours_[static_cast<int>(Colour::Text)]);
    x11_.drawString(display_, window_, gc_, button.left + (width - labelWidth) / 2,
                    button.top + (height + font_->ascent - font_->descent) / 2, label, 2);
    x11_.flush(display_);
}

bool X11MessageWindow::insideButton(int x, int y) const
{
    const PixelRect& button = layout_.button;
    return x >= button.left && x < button.right && y >= button.top && y < button.bottom;
}

void X11MessageWindow::handle(XEvent& event)
{
    switch (event.type)
    {
    case Expose:
        if (event.xexpose.count == 0)
            draw();
        break;
    case MapNotify:
        x11_.setInputFocus(display_, window_, RevertToParent, CurrentTime);
        break;
    case KeyPress:
    {
        const KeySym key = x11_.lookupKeysym(&event.xkey, 0);
        if (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space)
            dismissed_ = true;
        else if ((event.xkey.state & ControlMask) != 0 && (key == XK_c || key == XK_Insert))
            x11_.setSelectionOwner(display_, clipboard_, window_, event.xkey.time);
        break;
    }
    case ButtonPress:
        if (event.xbutton.button == Button1 && insideButton(event.xbutton.x, event.xbutton.y))
        {
            buttonPressed_ = true;
            draw();
        }
        break;
    case ButtonRelease:
        if (event.xbutton.button == Button1 && buttonPressed_)
        {
            buttonPressed_ = false;
            dismissed_ = insideButton(event.xbutton.x, event.xbutton.y);
            draw();
        }
        break;
    case DestroyNotify:
        // Destroyed by someone else: there is nothing left to wait for.
        if (event.xdestroywindow.window == window_)
            window_ = 0;
        break;
    case ClientMessage:
        if (event.xclient.message_type == protocols_ && event.xclient.format == 32 &&
            static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_)
            dismissed_ = true;
        break;
    case SelectionRequest:
        answerSelectionRequest(event.xselectionrequest);
        break;
    default:
        break;
    }
}

void X11MessageWindow::answerSelectionRequest(const XSelectionRequestEvent& request)
{
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = request.display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    // Clients of the oldest conventions name no property: the target serves.
    const Atom property = request.property != None ? request.property : request.target;
    auto answer = [&](Atom type, int format, const void* data, int count) {
        x11_.changeProperty(display_, request.requestor, property, type, format, PropModeReplace,
                            static_cast<const unsigned char*>(data), count);
        reply.xselection.property = property;
    };
    if (request.selection == clipboard_)
    {
        if (request.target == targets_)
        {
            const Atom targets[] = {targets_, utf8String_, XA_STRING};
            answer(XA_ATOM, 32, targets, 3);
        }
        else if (request.target == utf8String_)
        {
            const std::string utf8 = latin1ToUtf8(text_);
            answer(utf8String_, 8, utf8.data(), static_cast<int>(utf8.size()));
        }
        else if (request.target == XA_STRING)
        {
            answer(XA_STRING, 8, text_.data(), static_cast<int>(text_.size()));
        }
    }
    x11_.sendEvent(display_, request.requestor, False, NoEventMask, &reply);
    x11_.flush(display_);
}

void X11MessageWindow::release()
{
    if (gc_ != nullptr)
        x11_.freeGC(display_, gc_);
    if (window_ != 0)
        x11_.destroyWindow(display_, window_);
    if (font_ != nullptr)
        x11_.freeFont(display_, font_);
    if (!allocatedColours_.empty())
        x11_.freeColors(display_, DefaultColormap(display_, DefaultScreen(display_)), allocatedColours_.data(),
                        static_cast<int>(allocatedColours_.size()), 0);
}

} // namespace

void showMessageWindow(const std::string& title, const std::string& text)
{
    const X11Library* x11 = X11Library::get();
    Display* display = x11 != nullptr ? x11->openDisplay(nullptr) : nullptr;
    if (display == nullptr)
    {
        writeMessageToStderr(title, text);
        return;
    }
    bool dismissed = false;
    {
        X11ErrorTrap trap(*x11, display);
        {
            X11MessageWindow window(*x11, display, trap);
            dismissed = window.run(title, text);
        }
        x11->closeDisplay(display);
    }
    // A message the user never saw, or never acknowledged, still reaches the log.
    if (!dismissed)
        writeMessageToStderr(title, text);
}

} // namespace core
