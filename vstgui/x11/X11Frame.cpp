// The X11 window of a frame: a child of the host's window on our own display
// connection, painted from the frame's back buffer with cairo. Its events are
// taken only when the frame idles, on the host's UI thread.
#include "PlatformFrame.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace VSTGUI {

namespace {

constexpr Time kDoubleClickTime = 350; // milliseconds

class X11Frame : public IPlatformFrame {
public:
    X11Frame(CFrame* owner, Display* connection, Window parent) : frame(owner), display(connection)
    {
        const double scale = frame->getScale();
        width = int(std::lround(frame->getViewSize().getWidth() * scale));
        height = int(std::lround(frame->getViewSize().getHeight() * scale));
        XSetWindowAttributes attributes{};
        attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                KeyPressMask | StructureNotifyMask;
        attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
        window = XCreateWindow(display, parent, 0, 0, unsigned(width), unsigned(height), 0, CopyFromParent,
                               InputOutput, CopyFromParent, CWEventMask | CWBackPixel, &attributes);
        XMapRaised(display, window);
        surface = cairo_xlib_surface_create(display, window, DefaultVisual(display, DefaultScreen(display)), width,
                                            height);
        XFlush(display);
    }

    ~X11Frame() override
    {
        cairo_surface_destroy(surface);
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    void present(const CRect& rect) override
    {
        const double scale = frame->getScale();
        cairo_t* cr = cairo_create(surface);
        cairo_rectangle(cr, std::floor(rect.left * scale), std::floor(rect.top * scale),
                        std::ceil(rect.getWidth() * scale) + 1, std::ceil(rect.getHeight() * scale) + 1);
        cairo_clip(cr);
        cairo_set_source_surface(cr, frame->getBackBuffer().getImage(), 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        XFlush(display);
    }

    void pollEvents() override
    {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            dispatch(event);
        }
    }

private:
    CPoint panelPoint(int x, int y) const { return {x / frame->getScale(), y / frame->getScale()}; }

    static int32_t modifiers(unsigned state)
    {
        int32_t buttons = 0;
        if (state & ShiftMask)
            buttons |= kShift;
        if (state & ControlMask)
            buttons |= kControl;
        if (state & Mod1Mask)
            buttons |= kAlt;
        if (state & Button1Mask)
            buttons |= kLButton;
        if (state & Button3Mask)
            buttons |= kRButton;
        return buttons;
    }

    static int32_t buttonFlag(unsigned button)
    {
        return button == Button1 ? kLButton : button == Button3 ? kRButton : button == Button2 ? kMButton : 0;
    }

    void dispatch(XEvent& event)
    {
        switch (event.type) {
        case Expose:
            frame->invalidRect({event.xexpose.x / frame->getScale(), event.xexpose.y / frame->getScale(),
                                (event.xexpose.x + event.xexpose.width) / frame->getScale(),
                                (event.xexpose.y + event.xexpose.height) / frame->getScale()});
            break;
        case ButtonPress: {
            const XButtonEvent& b = event.xbutton;
            const CPoint where = panelPoint(b.x, b.y);
            if (b.button == Button4 || b.button == Button5) {
                frame->onWheelEvent(where, b.button == Button4 ? 1.0f : -1.0f, modifiers(b.state));
                break;
            }
            int32_t buttons = (modifiers(b.state) & ~(kLButton | kRButton)) | buttonFlag(b.button);
            if (b.button == lastButton && b.time - lastPress < kDoubleClickTime)
                buttons |= kDoubleClick;
            lastButton = b.button;
            lastPress = b.time;
            frame->onMouseDownEvent(where, buttons);
            // Typing goes to the window the pointer is over only in some
            // window managers; a text field asks for the keyboard outright.
            if (frame->getFocusView())
                XSetInputFocus(display, window, RevertToParent, CurrentTime);
            break;
        }
        case ButtonRelease:
            if (event.xbutton.button != Button4 && event.xbutton.button != Button5)
                frame->onMouseUpEvent(panelPoint(event.xbutton.x, event.xbutton.y),
                                      (modifiers(event.xbutton.state) & ~(kLButton | kRButton)) |
                                          buttonFlag(event.xbutton.button));
            break;
        case MotionNotify:
            frame->onMouseMovedEvent(panelPoint(event.xmotion.x, event.xmotion.y), modifiers(event.xmotion.state));
            break;
        case KeyPress: {
            char text[8] = {};
            KeySym symbol = 0;
            const int count = XLookupString(&event.xkey, text, sizeof(text), &symbol, nullptr);
            if (count == 1)
                frame->onKeyEvent(uint8_t(text[0]));
            break;
        }
        default:
            break;
        }
    }

    CFrame* frame;
    Display* display;
    Window window = 0;
    cairo_surface_t* surface = nullptr;
    int width = 0;
    int height = 0;
    unsigned lastButton = 0;
    Time lastPress = 0;
};

} // namespace

// Linux hosts call effEditIdle from their UI thread; the window needs no
// timer of its own.
std::unique_ptr<IPlatformFrame> createPlatformFrame(CFrame* frame, void* parentWindow, std::function<void()>)
{
    if (!parentWindow)
        return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    return std::make_unique<X11Frame>(frame, display, Window(reinterpret_cast<uintptr_t>(parentWindow)));
}

double displayScale()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 0.0;
    double scale = 0.0;
    if (const char* resources = XResourceManagerString(display)) {
        const char* dpi = strstr(resources, "Xft.dpi:");
        if (dpi) {
            const double value = std::atof(dpi + 8);
            if (value >= 48 && value <= 480)
                scale = value / 96.0;
        }
    }
    XCloseDisplay(display);
    return scale;
}

} // namespace VSTGUI
