// vesk-editor-host: opens a plug-in's editor inside a top-level window the
// way a host does (effEditOpen with the window, effEditIdle pumped from the
// host's own loop) and plays a script of actions against it:
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
//     pick:X,Y,N         open the native menu at X,Y and take its Nth row
//                        (from 1) with the keyboard (Windows only)
//     param:N            print "param N VALUE"
//     edits              print the touch-automation calls so far, in order, as
//                        "edits begin N automate N ... end N", and forget them
//     size               print "window W H" and "editor W H" (the child window)
//     shot:PATH          save the window as PNG and print "shot W H COLOURS",
//                        COLOURS the number of different colours in it
//     close              close the editor and print "closed"
//     open               open it again in the same window and print "opened"
//
// Pointer actions travel the window system's own road (XTest on X11, mouse
// messages on Windows).
#include "HostWindow.h"
#include "PluginHost.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unordered_set>

namespace {

struct Session {
    HostWindow& window;
    PluginHost& plugin;
    double scale;
    bool editorOpen;
    double pointerX = 0; // where the pointer was moved last, panel coordinates
    double pointerY = 0;
};

void pump(Session& s, int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        s.window.takeEvents();
        if (s.editorOpen)
            s.plugin.dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
}

void moveTo(Session& s, double x, double y)
{
    s.window.moveTo(int(std::lround(x * s.scale)), int(std::lround(y * s.scale)));
    s.pointerX = x;
    s.pointerY = y;
    pump(s, 30);
}

void button(Session& s, bool press, bool right = false)
{
    s.window.button(press, right);
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
    int width = 0;
    int height = 0;
    int editorWidth = 0;
    int editorHeight = 0;
    s.window.sizes(width, height, editorWidth, editorHeight);
    std::vector<uint32_t> pixels;
    if (!s.window.capture(pixels) || !s.window.writePng(pixels, path))
        return false;
    const std::unordered_set<uint32_t> colours(pixels.begin(), pixels.end());
    std::printf("shot %d %d %zu\n", width, height, colours.size());
    return true;
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
        button(s, true, verb == "rclick");
        button(s, false, verb == "rclick");
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
    } else if (verb == "pick" && std::sscanf(argument.c_str(), "%lf,%lf,%lf", &a, &b, &c) == 3) {
        if (!s.window.pickFromMenu(int(std::lround(a * s.scale)), int(std::lround(b * s.scale)), int(c))) {
            std::fprintf(stderr, "no native menus here\n");
            return false;
        }
        pump(s, 100);
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
        int width = 0;
        int height = 0;
        int editorWidth = 0;
        int editorHeight = 0;
        s.window.sizes(width, height, editorWidth, editorHeight);
        std::printf("window %d %d\n", width, height);
        if (editorWidth > 0)
            std::printf("editor %d %d\n", editorWidth, editorHeight);
    } else if (verb == "shot") {
        pump(s, 100);
        if (!screenshot(s, argument)) {
            std::fprintf(stderr, "cannot write %s\n", argument.c_str());
            return false;
        }
    } else if (verb == "close") {
        s.plugin.dispatch(effEditClose);
        s.editorOpen = false;
        pump(s, 50);
        std::printf("closed\n");
    } else if (verb == "open") {
        if (s.editorOpen || !s.plugin.dispatch(effEditOpen, 0, 0, s.window.handle())) {
            std::fprintf(stderr, "effEditOpen failed\n");
            return false;
        }
        s.editorOpen = true;
        pump(s, 100);
        std::printf("opened\n");
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
    auto window = openHostWindow(rect->right - rect->left, rect->bottom - rect->top);
    if (!window) {
        std::fprintf(stderr, "cannot open a window\n");
        return 1;
    }
    if (!plugin->dispatch(effEditOpen, 0, 0, window->handle())) {
        std::fprintf(stderr, "effEditOpen failed\n");
        return 1;
    }
    Session s{*window, *plugin, scale, true};
    pump(s, 100);
    bool ok = true;
    for (int i = first; i < argc && ok; ++i)
        ok = run(s, argv[i]);
    if (s.editorOpen)
        plugin->dispatch(effEditClose);
    plugin.reset();
    return ok ? 0 : 1;
}
