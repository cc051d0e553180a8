// A skin bitmap decoded from PNG bytes. Sizes are in panel units: a bitmap
// rendered at scale 2 has twice the pixels and reports the same width.
#pragma once

#include "PlatformGraphics.h"

#include <cstddef>
#include <cstdint>

namespace VSTGUI {

class CBitmap {
public:
    // A PNG that cannot be decoded leaves an empty, transparent bitmap.
    CBitmap(const uint8_t* png, size_t size, double scale);
    ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    double getWidth() const { return width; }
    double getHeight() const { return height; }
    PlatformImage* getImage() const { return image; }

private:
    PlatformImage* image = nullptr;
    double width = 0;
    double height = 0;
};

} // namespace VSTGUI
