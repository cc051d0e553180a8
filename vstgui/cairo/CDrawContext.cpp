#include "CDrawContext.h"

#include "CBitmap.h"

#include <cairo.h>

namespace VSTGUI {

namespace {

void setColour(cairo_t* graphics, const CColor& c)
{
    cairo_set_source_rgba(graphics, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void selectFont(cairo_t* graphics, double size, bool bold)
{
    cairo_select_font_face(graphics, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(graphics, size);
}

} // namespace

CDrawContext::CDrawContext(cairo_t* cairo, double scaleFactor) : graphics(cairo), scale(scaleFactor)
{
    cairo_identity_matrix(graphics);
    cairo_scale(graphics, scale, scale);
}

void CDrawContext::fillRect(const CRect& r, const CColor& colour)
{
    setColour(graphics, colour);
    cairo_rectangle(graphics, r.left, r.top, r.getWidth(), r.getHeight());
    cairo_fill(graphics);
}

void CDrawContext::frameRect(const CRect& r, const CColor& colour, double lineWidth)
{
    setColour(graphics, colour);
    cairo_set_line_width(graphics, lineWidth);
    const double half = lineWidth / 2;
    cairo_rectangle(graphics, r.left + half, r.top + half, r.getWidth() - lineWidth, r.getHeight() - lineWidth);
    cairo_stroke(graphics);
}

void CDrawContext::fillRoundRect(const CRect& r, double radius, const CColor& colour)
{
    setColour(graphics, colour);
    cairo_new_sub_path(graphics);
    cairo_arc(graphics, r.right - radius, r.top + radius, radius, -1.5708, 0);
    cairo_arc(graphics, r.right - radius, r.bottom - radius, radius, 0, 1.5708);
    cairo_arc(graphics, r.left + radius, r.bottom - radius, radius, 1.5708, 3.14159);
    cairo_arc(graphics, r.left + radius, r.top + radius, radius, 3.14159, 4.71239);
    cairo_close_path(graphics);
    cairo_fill(graphics);
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to, const CColor& colour, double lineWidth)
{
    setColour(graphics, colour);
    cairo_set_line_width(graphics, lineWidth);
    cairo_move_to(graphics, from.x, from.y);
    cairo_line_to(graphics, to.x, to.y);
    cairo_stroke(graphics);
}

double CDrawContext::stringWidth(const std::string& text, double size, bool bold)
{
    selectFont(graphics, size, bold);
    cairo_text_extents_t extents;
    cairo_text_extents(graphics, text.c_str(), &extents);
    return extents.x_advance;
}

void CDrawContext::drawString(const std::string& text, const CRect& r, CHoriTxtAlign align, double size,
                              const CColor& colour, bool bold)
{
    selectFont(graphics, size, bold);
    cairo_font_extents_t font;
    cairo_font_extents(graphics, &font);
    const double width = stringWidth(text, size, bold);
    double x = r.left + 2;
    if (align == CHoriTxtAlign::kCenter)
        x = r.left + (r.getWidth() - width) / 2;
    else if (align == CHoriTxtAlign::kRight)
        x = r.right - 2 - width;
    const double y = r.top + (r.getHeight() + font.ascent - font.descent) / 2;
    cairo_save(graphics);
    cairo_rectangle(graphics, r.left, r.top, r.getWidth(), r.getHeight());
    cairo_clip(graphics);
    setColour(graphics, colour);
    cairo_move_to(graphics, x, y);
    cairo_show_text(graphics, text.c_str());
    cairo_restore(graphics);
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& destination, const CPoint& sourceOffset)
{
    cairo_save(graphics);
    cairo_rectangle(graphics, destination.left, destination.top, destination.getWidth(), destination.getHeight());
    cairo_clip(graphics);
    cairo_set_source_surface(graphics, bitmap.getImage(), destination.left - sourceOffset.x,
                             destination.top - sourceOffset.y);
    cairo_paint(graphics);
    cairo_restore(graphics);
}

void CDrawContext::clip(const CRect& r)
{
    cairo_reset_clip(graphics);
    cairo_rectangle(graphics, r.left, r.top, r.getWidth(), r.getHeight());
    cairo_clip(graphics);
}

void CDrawContext::resetClip() { cairo_reset_clip(graphics); }

} // namespace VSTGUI
