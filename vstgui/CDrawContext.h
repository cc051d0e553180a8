// A cairo context in panel coordinates: the scale factor is applied once, so
// views draw the same numbers at every scale.
#pragma once

#include "CGeometry.h"

#include <string>

typedef struct _cairo cairo_t;

namespace VSTGUI {

class CBitmap;

enum class CHoriTxtAlign { kLeft, kCenter, kRight };

class CDrawContext {
public:
    CDrawContext(cairo_t* cr, double scale);

    cairo_t* getCairo() const { return cr; }
    double getScale() const { return scale; }

    void fillRect(const CRect& r, const CColor& colour);
    void frameRect(const CRect& r, const CColor& colour, double lineWidth = 1.0);
    void fillRoundRect(const CRect& r, double radius, const CColor& colour);
    void drawLine(const CPoint& from, const CPoint& to, const CColor& colour, double lineWidth = 1.0);
    void drawString(const std::string& text, const CRect& r, CHoriTxtAlign align, double size, const CColor& colour,
                    bool bold = false);
    double stringWidth(const std::string& text, double size, bool bold = false);
    // Draws the part of the bitmap that starts at `sourceOffset` into `destination`.
    void drawBitmap(const CBitmap& bitmap, const CRect& destination, const CPoint& sourceOffset = {});
    void clip(const CRect& r);
    void resetClip();

private:
    void setColour(const CColor& colour);
    void selectFont(double size, bool bold);

    cairo_t* cr;
    double scale;
};

} // namespace VSTGUI
