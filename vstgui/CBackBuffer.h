// The frame's picture in device pixels. The graphics back end draws into it
// and writes it out as PNG; the window back end copies it to the screen.
#pragma once

#include "PlatformGraphics.h"

#include <functional>
#include <string>

namespace VSTGUI {

class CDrawContext;

class CBackBuffer {
public:
    CBackBuffer(int width, int height);
    ~CBackBuffer();
    CBackBuffer(const CBackBuffer&) = delete;
    CBackBuffer& operator=(const CBackBuffer&) = delete;

    // Runs `paint` with a context on the buffer that draws in panel
    // coordinates at `scale`.
    void paint(double scale, const std::function<void(CDrawContext&)>& paint);
    bool writePng(const std::string& path) const;
    PlatformImage* getImage() const { return image; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

private:
    PlatformImage* image = nullptr;
    int width;
    int height;
};

} // namespace VSTGUI
