// Points, rectangles and colours in panel coordinates (unscaled pixels).
#pragma once

#include <algorithm>
#include <cstdint>

namespace VSTGUI {

struct CPoint {
    double x = 0;
    double y = 0;
};

struct CRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    static CRect make(double x, double y, double width, double height) { return {x, y, x + width, y + height}; }
    double getWidth() const { return right - left; }
    double getHeight() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool pointInside(const CPoint& p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool rectOverlap(const CRect& r) const
    {
        return left < r.right && r.left < right && top < r.bottom && r.top < bottom;
    }
    CRect unite(const CRect& r) const
    {
        if (isEmpty())
            return r;
        if (r.isEmpty())
            return *this;
        return {std::min(left, r.left), std::min(top, r.top), std::max(right, r.right), std::max(bottom, r.bottom)};
    }
    CRect intersect(const CRect& r) const
    {
        return {std::max(left, r.left), std::max(top, r.top), std::min(right, r.right), std::min(bottom, r.bottom)};
    }
    CRect inset(double dx, double dy) const { return {left + dx, top + dy, right - dx, bottom - dy}; }
    CRect offset(double dx, double dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
};

struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;
};

// Mouse buttons and modifiers as the views receive them.
enum CButton : int32_t {
    kLButton = 1 << 0,
    kMButton = 1 << 1,
    kRButton = 1 << 2,
    kShift = 1 << 3,
    kControl = 1 << 4,
    kAlt = 1 << 5,
    kDoubleClick = 1 << 6,
};

} // namespace VSTGUI
