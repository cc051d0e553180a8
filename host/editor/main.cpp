// vesk-editor-host: opens a plug-in's editor inside a top-level X11 window the
// way a Linux host does (effEditOpen with the window id, effEditIdle pumped
// from the host's own loop) and plays a script of actions against it:
//
//   vesk-editor-host MODULE [--scale S] ACTION...
//     wait:MS            pump idle for MS milliseconds
//     click:X,Y          left click (panel coordinates, times the scale)
//     rclick:X,Y         right click
//     drag:X,Y,DY        press, move DY pixels down (negative: up), release
//     press:X,Y          move there and press the left button (held until release)
//     move:X,Y           move the pointer, in five steps
//     release            let go of the left button
//     set:N,V            setParameter(N, V) as a host would
//     render:NOTE,PATH   play NOTE for half a second and let it ring for as
//                        long again; the left channel goes to PATH as raw
//                        32-bit floats
//     param:N            print "param N VALUE"
//     edits              print the touch-automation calls so far, in order, as
//                        "edits begin N automate N ... end N", and forget them
//     size               print "window W H" and "editor W H" (the child window)
//     shot:PATH          save the window as PNG
//
// Clicks go through XTest, so they travel the same road as a user's.
#include "PluginHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Session {
    Display* display;
    Window window;
    PluginHost& plugin;
    double scale;
    int width;
    int height;
    double pointerX = 0; // where the pointer was moved last, panel coordinates
    double pointerY = 0;
};

void pump(Session& s, int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        while (XPending(s.display)) {
            XEvent event;
            XNextEvent(s.display, &event);
        }
        s.plugin.dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
}

void moveTo(Session& s, double x, double y)
{
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(s.display, s.window, DefaultRootWindow(s.display), int(std::lround(x * s.scale)),
                          int(std::lround(y * s.scale)), &rootX, &rootY, &child);
    XTestFakeMotionEvent(s.display, -1, rootX, rootY, CurrentTime);
    XFlush(s.display);
    s.pointerX = x;
    s.pointerY = y;
    pump(s, 30);
}

void button(Session& s, bool press, unsigned which = Button1)
{
    XTestFakeButtonEvent(s.display, which, press, CurrentTime);
    XFlush(s.display);
    pump(s, 60);
}

// Glides from where the pointer is, so that the controls see the way between.
void glideTo(Session& s, double x, double y)
{
    const double fromX = s.pointerX;
    const double fromY = s.pointerY;
    for (int step = 1; step <= 5; ++step)
        moveTo(s, fromX + (x - fromX) * step / 5, fromY + (y - fromY) * step / 5);
}

bool render(Session& s, int note, const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const VstInt32 frames = s.plugin.blockSize();
    const int blocks = int(s.plugin.sampleRate() / 2) / frames;
    std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    float* outputs[2] = {left.data(), right.data()};
    for (int block = 0; block < 2 * blocks; ++block) {
        if (block == 0 || block == blocks)
            s.plugin.sendMidi({block == 0 ? MidiMessage::noteOn(0, uint8_t(note), 100)
                                          : MidiMessage::noteOff(0, uint8_t(note))});
        s.plugin.process(outputs, frames);
        std::fwrite(left.data(), sizeof(float), left.size(), file);
    }
    return std::fclose(file) == 0;
}

bool screenshot(Session& s, const std::string& path)
{
    XImage* image = XGetImage(s.display, s.window, 0, 0, unsigned(s.width), unsigned(s.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, s.width, s.height);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            reinterpret_cast<uint32_t*>(data + y * stride)[x] = uint32_t(XGetPixel(image, x, y)) & 0xffffff;
    cairo_surface_mark_dirty(surface);
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    XDestroyImage(image);
    return ok;
}

void printSizes(Session& s)
{
    XWindowAttributes attributes;
    XGetWindowAttributes(s.display, s.window, &attributes);
    std::printf("window %d %d\n", attributes.width, attributes.height);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(s.display, s.window, &root, &parent, &children, &count);
    for (unsigned i = 0; i < count; ++i) {
        XGetWindowAttributes(s.display, children[i], &attributes);
        std::printf("editor %d %d\n", attributes.width, attributes.height);
    }
    if (children)
        XFree(children);
}

bool run(Session& s, const std::string& action)
{
    const size_t colon = action.find(':');
    const std::string verb = action.substr(0, colon);
    const std::string argument = colon == std::string::npos ? "" : action.substr(colon + 1);
    double a = 0;
    double b = 0;
    double c = 0;
    int n = 0;
    char path[1024] = {};
    if (verb == "wait") {
        pump(s, std::atoi(argument.c_str()));
    } else if ((verb == "click" || verb == "rclick") && std::sscanf(argument.c_str(), "%lf,%lf", &a, &b) == 2) {
        moveTo(s, a, b);
        button(s, true, verb == "click" ? Button1 : Button3);
        button(s, false, verb == "click" ? Button1 : Button3);
    } else if (verb == "drag" && std::sscanf(argument.c_str(), "%lf,%lf,%lf", &a, &b, &c) == 3) {
        moveTo(s, a, b);
        button(s, true);
        glideTo(s, a, b + c);
        button(s, false);
    } else if (verb == "press" && std::sscanf(argument.c_str(), "%lf,%lf", &a, &b) == 2) {
        moveTo(s, a, b);
        button(s, true);
    } else if (verb == "move" && std::sscanf(argument.c_str(), "%lf,%lf", &a, &b) == 2) {
        glideTo(s, a, b);
    } else if (verb == "release") {
        button(s, false);
    } else if (verb == "set" && std::sscanf(argument.c_str(), "%d,%lf", &n, &a) == 2) {
        s.plugin.setParameter(n, float(a));
    } else if (verb == "render" && std::sscanf(argument.c_str(), "%d,%1023s", &n, path) == 2) {
        if (!render(s, n, path)) {
            std::fprintf(stderr, "cannot write %s\n", path);
            return false;
        }
    } else if (verb == "param") {
        const int index = std::atoi(argument.c_str());
        std::printf("param %d %g\n", index, double(s.plugin.getParameter(index)));
    } else if (verb == "edits") {
        std::printf("edits");
        for (const EditRecord& edit : s.plugin.edits())
            std::printf(" %s %d",
                        edit.opcode == audioMasterBeginEdit ? "begin"
                        : edit.opcode == audioMasterEndEdit ? "end"
                                                            : "automate",
                        edit.index);
        std::printf("\n");
        s.plugin.clearRecordings();
    } else if (verb == "size") {
        printSizes(s);
    } else if (verb == "shot") {
        pump(s, 100);
        if (!screenshot(s, argument)) {
            std::fprintf(stderr, "cannot write %s\n", argument.c_str());
            return false;
        }
    } else {
        std::fprintf(stderr, "unknown action '%s'\n", action.c_str());
        return false;
    }
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MODULE [--scale S] ACTION...\n", argv[0]);
        return 2;
    }
    std::string error;
    auto plugin = PluginHost::load(argv[1], error);
    if (!plugin) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    plugin->start(44100, 512);
    int first = 2;
    double scale = 1.0;
    if (argc > 3 && std::strcmp(argv[2], "--scale") == 0) {
        scale = std::atof(argv[3]);
        plugin->dispatch(effVendorSpecific, vstFourCC('P', 'r', 'e', 'S'), vstFourCC('A', 'e', 'C', 's'), nullptr,
                         float(scale));
        first = 4;
    }
    ERect* rect = nullptr;
    if (!plugin->dispatch(effEditGetRect, 0, 0, &rect) || !rect) {
        std::fprintf(stderr, "the plug-in has no editor\n");
        return 1;
    }
    // A virtual server started just before us may take a moment to listen.
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && attempt < 50; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        display = XOpenDisplay(nullptr);
    }
    if (!display) {
        std::fprintf(stderr, "cannot open the X display\n");
        return 1;
    }
    Session s{display, 0, *plugin, scale, rect->right - rect->left, rect->bottom - rect->top, 0, 0};
    s.window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, unsigned(s.width), unsigned(s.height), 0,
                                   0, 0);
    XStoreName(display, s.window, "Vesk");
    XSelectInput(display, s.window, StructureNotifyMask);
    XMapWindow(display, s.window);
    for (XEvent event; XNextEvent(display, &event), event.type != MapNotify;) {
    }
    if (!plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(s.window))) {
        std::fprintf(stderr, "effEditOpen failed\n");
        return 1;
    }
    pump(s, 100);
    bool ok = true;
    for (int i = first; i < argc && ok; ++i)
        ok = run(s, argv[i]);
    plugin->dispatch(effEditClose);
    plugin.reset();
    XDestroyWindow(display, s.window);
    XCloseDisplay(display);
    return ok ? 0 : 1;
}
