// The top-level window vesk-editor-host opens the editor in, from the
// platform's window system: X11 on Linux, Win32 on Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class HostWindow {
public:
    virtual ~HostWindow() = default;
    // What effEditOpen takes: the X11 window id or the HWND.
    virtual void* handle() const = 0;
    // Takes the window system's pending events.
    virtual void takeEvents() = 0;
    // The pointer and its left (or right) button, in device pixels of the
    // window.
    virtual void moveTo(int x, int y) = 0;
    virtual void button(bool press, bool right) = 0;
    // Presses the left button at (x, y) to open a native pop-up menu, goes
    // `downs` rows down with the keyboard and takes that row. False where
    // menus are drawn by the toolkit itself (X11): tests click their rows.
    virtual bool pickFromMenu(int x, int y, int downs) = 0;
    // What the screen shows of the window, 0xRRGGBB row after row.
    virtual bool capture(std::vector<uint32_t>& pixels) = 0;
    virtual bool writePng(const std::vector<uint32_t>& pixels, const std::string& path) = 0;
    // Client sizes of the window and of the editor's child window; 0 when
    // there is no child.
    virtual void sizes(int& width, int& height, int& editorWidth, int& editorHeight) = 0;
};

// nullptr when no window can be made (no display, for one).
std::unique_ptr<HostWindow> openHostWindow(int width, int height);
