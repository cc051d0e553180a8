// The X11 window of vesk-editor-host; pointer actions go through XTest, so
// they travel the same road as a user's.
#include "HostWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

class X11HostWindow : public HostWindow {
public:
    X11HostWindow(Display* connection, int w, int h) : display(connection), width(w), height(h)
    {
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, unsigned(width), unsigned(height), 0,
                                     0, 0);
        XStoreName(display, window, "Vesk");
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        for (XEvent event; XNextEvent(display, &event), event.type != MapNotify;) {
        }
    }

    ~X11HostWindow() override
    {
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    void* handle() const override { return reinterpret_cast<void*>(window); }

    void takeEvents() override
    {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
        }
    }

    void moveTo(int x, int y) override
    {
        int rootX = 0;
        int rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
        XFlush(display);
    }

    void button(bool press, bool right) override
    {
        XTestFakeButtonEvent(display, right ? Button3 : Button1, press, CurrentTime);
        XFlush(display);
    }

    bool pickFromMenu(int, int, int) override { return false; }

    bool capture(std::vector<uint32_t>& pixels) override
    {
        XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
        if (!image)
            return false;
        pixels.resize(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[size_t(y) * size_t(width) + size_t(x)] = uint32_t(XGetPixel(image, x, y)) & 0xffffff;
        XDestroyImage(image);
        return true;
    }

    bool writePng(const std::vector<uint32_t>& pixels, const std::string& path) override
    {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < height; ++y)
            std::copy_n(pixels.data() + size_t(y) * size_t(width), width, reinterpret_cast<uint32_t*>(data + y * stride));
        cairo_surface_mark_dirty(surface);
        const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(surface);
        return ok;
    }

    void sizes(int& windowWidth, int& windowHeight, int& editorWidth, int& editorHeight) override
    {
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        windowWidth = attributes.width;
        windowHeight = attributes.height;
        editorWidth = 0;
        editorHeight = 0;
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(display, window, &root, &parent, &children, &count);
        if (count > 0) {
            XGetWindowAttributes(display, children[0], &attributes);
            editorWidth = attributes.width;
            editorHeight = attributes.height;
        }
        if (children)
            XFree(children);
    }

private:
    Display* display;
    Window window = 0;
    int width;
    int height;
};

} // namespace

std::unique_ptr<HostWindow> openHostWindow(int width, int height)
{
    // A virtual server started just before us may take a moment to listen.
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && attempt < 50; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        display = XOpenDisplay(nullptr);
    }
    if (!display)
        return nullptr;
    return std::make_unique<X11HostWindow>(display, width, height);
}
