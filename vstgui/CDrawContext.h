// A drawing context in panel coordinates: the scale factor is applied once,
// so views draw the same numbers at every scale.
#pragma once

#include "CGeometry.h"
#include "PlatformGraphics.h"

#include <string>

namespace VSTGUI {

class CBitmap;

enum class CHoriTxtAlign { kLeft, kCenter, kRight };

class CDrawContext {
public:
    CDrawContext(PlatformGraphics* graphics, double scale);

    PlatformGraphics* getGraphics() const { return graphics; }
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
    PlatformGraphics* graphics;
    double scale;
};

} // namespace VSTGUI
