#include "CDrawContext.h"

#include "CBitmap.h"

#include <cairo.h>

namespace VSTGUI {

CDrawContext::CDrawContext(cairo_t* cairo, double scaleFactor) : cr(cairo), scale(scaleFactor)
{
    cairo_identity_matrix(cr);
    cairo_scale(cr, scale, scale);
}

void CDrawContext::setColour(const CColor& c)
{
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void CDrawContext::fillRect(const CRect& r, const CColor& colour)
{
    setColour(colour);
    cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
    cairo_fill(cr);
}

void CDrawContext::frameRect(const CRect& r, const CColor& colour, double lineWidth)
{
    setColour(colour);
    cairo_set_line_width(cr, lineWidth);
    const double half = lineWidth / 2;
    cairo_rectangle(cr, r.left + half, r.top + half, r.getWidth() - lineWidth, r.getHeight() - lineWidth);
    cairo_stroke(cr);
}

void CDrawContext::fillRoundRect(const CRect& r, double radius, const CColor& colour)
{
    setColour(colour);
    cairo_new_sub_path(cr);
    cairo_arc(cr, r.right - radius, r.top + radius, radius, -1.5708, 0);
    cairo_arc(cr, r.right - radius, r.bottom - radius, radius, 0, 1.5708);
    cairo_arc(cr, r.left + radius, r.bottom - radius, radius, 1.5708, 3.14159);
    cairo_arc(cr, r.left + radius, r.top + radius, radius, 3.14159, 4.71239);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to, const CColor& colour, double lineWidth)
{
    setColour(colour);
    cairo_set_line_width(cr, lineWidth);
    cairo_move_to(cr, from.x, from.y);
    cairo_line_to(cr, to.x, to.y);
    cairo_stroke(cr);
}

void CDrawContext::selectFont(double size, bool bold)
{
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

double CDrawContext::stringWidth(const std::string& text, double size, bool bold)
{
    selectFont(size, bold);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

void CDrawContext::drawString(const std::string& text, const CRect& r, CHoriTxtAlign align, double size,
                              const CColor& colour, bool bold)
{
    selectFont(size, bold);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    const double width = stringWidth(text, size, bold);
    double x = r.left + 2;
    if (align == CHoriTxtAlign::kCenter)
        x = r.left + (r.getWidth() - width) / 2;
    else if (align == CHoriTxtAlign::kRight)
        x = r.right - 2 - width;
    const double y = r.top + (r.getHeight() + font.ascent - font.descent) / 2;
    cairo_save(cr);
    cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
    cairo_clip(cr);
    setColour(colour);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& destination, const CPoint& sourceOffset)
{
    cairo_save(cr);
    cairo_rectangle(cr, destination.left, destination.top, destination.getWidth(), destination.getHeight());
    cairo_clip(cr);
    cairo_set_source_surface(cr, bitmap.getSurface(), destination.left - sourceOffset.x,
                             destination.top - sourceOffset.y);
    cairo_paint(cr);
    cairo_restore(cr);
}

void CDrawContext::clip(const CRect& r)
{
    cairo_reset_clip(cr);
    cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
    cairo_clip(cr);
}

void CDrawContext::resetClip() { cairo_reset_clip(cr); }

} // namespace VSTGUI
