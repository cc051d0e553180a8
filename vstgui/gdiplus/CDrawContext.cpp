#include "CDrawContext.h"

#include "CBitmap.h"
#include "GdiplusSession.h"
#include "win32/WideText.h"

#include <algorithm>

namespace VSTGUI {

namespace {

Gdiplus::Color gdiplusColour(const CColor& c) { return Gdiplus::Color(c.alpha, c.red, c.green, c.blue); }

Gdiplus::RectF gdiplusRect(const CRect& r)
{
    return {Gdiplus::REAL(r.left), Gdiplus::REAL(r.top), Gdiplus::REAL(r.getWidth()), Gdiplus::REAL(r.getHeight())};
}

// Text set like cairo sets it: sizes in panel pixels, no padding around the
// run, one line, trailing spaces counted.
struct TextStyle {
    TextStyle(double size, bool bold)
        : style(bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular),
          font(&textFamily(), Gdiplus::REAL(size), style, Gdiplus::UnitPixel),
          format(Gdiplus::StringFormat::GenericTypographic())
    {
        format.SetFormatFlags(format.GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces |
                              Gdiplus::StringFormatFlagsNoWrap);
        const double em = textFamily().GetEmHeight(style);
        ascent = size * textFamily().GetCellAscent(style) / em;
        descent = size * textFamily().GetCellDescent(style) / em;
    }

    double width(Gdiplus::Graphics* graphics, const std::wstring& text) const
    {
        Gdiplus::RectF box;
        graphics->MeasureString(text.c_str(), INT(text.size()), &font, Gdiplus::PointF(0, 0), &format, &box);
        return box.Width;
    }

    INT style;
    Gdiplus::Font font;
    Gdiplus::StringFormat format;
    double ascent = 0;
    double descent = 0;
};

} // namespace

CDrawContext::CDrawContext(Gdiplus::Graphics* target, double scaleFactor) : graphics(target), scale(scaleFactor)
{
    graphics->ResetTransform();
    graphics->ScaleTransform(Gdiplus::REAL(scale), Gdiplus::REAL(scale));
    // Pixel centres at half coordinates, as in cairo: a rectangle on whole
    // panel pixels fills whole device pixels.
    graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics->SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    // Skin bitmaps are drawn at the scale they were rendered for: one source
    // pixel per device pixel, never blended with its neighbours.
    graphics->SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
}

void CDrawContext::fillRect(const CRect& r, const CColor& colour)
{
    Gdiplus::SolidBrush brush(gdiplusColour(colour));
    graphics->FillRectangle(&brush, gdiplusRect(r));
}

void CDrawContext::frameRect(const CRect& r, const CColor& colour, double lineWidth)
{
    Gdiplus::Pen pen(gdiplusColour(colour), Gdiplus::REAL(lineWidth));
    const double half = lineWidth / 2;
    graphics->DrawRectangle(&pen, gdiplusRect(r.inset(half, half)));
}

void CDrawContext::fillRoundRect(const CRect& r, double radius, const CColor& colour)
{
    const auto d = Gdiplus::REAL(2 * radius);
    const auto left = Gdiplus::REAL(r.left);
    const auto top = Gdiplus::REAL(r.top);
    const auto right = Gdiplus::REAL(r.right) - d;
    const auto bottom = Gdiplus::REAL(r.bottom) - d;
    Gdiplus::GraphicsPath path;
    path.AddArc(right, top, d, d, 270, 90);
    path.AddArc(right, bottom, d, d, 0, 90);
    path.AddArc(left, bottom, d, d, 90, 90);
    path.AddArc(left, top, d, d, 180, 90);
    path.CloseFigure();
    Gdiplus::SolidBrush brush(gdiplusColour(colour));
    graphics->FillPath(&brush, &path);
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to, const CColor& colour, double lineWidth)
{
    Gdiplus::Pen pen(gdiplusColour(colour), Gdiplus::REAL(lineWidth));
    graphics->DrawLine(&pen, Gdiplus::REAL(from.x), Gdiplus::REAL(from.y), Gdiplus::REAL(to.x), Gdiplus::REAL(to.y));
}

double CDrawContext::stringWidth(const std::string& text, double size, bool bold)
{
    return TextStyle(size, bold).width(graphics, widen(text));
}

void CDrawContext::drawString(const std::string& text, const CRect& r, CHoriTxtAlign align, double size,
                              const CColor& colour, bool bold)
{
    const std::wstring wide = widen(text);
    const TextStyle style(size, bold);
    // Measuring is as slow as drawing in some GDI+ implementations (Wine's):
    // only centred and right-aligned runs need their width.
    double x = r.left + 2;
    if (align == CHoriTxtAlign::kCenter)
        x = r.left + (r.getWidth() - style.width(graphics, wide)) / 2;
    else if (align == CHoriTxtAlign::kRight)
        x = r.right - 2 - style.width(graphics, wide);
    // The baseline sits where cairo puts it; GDI+ places the line's top.
    const double baseline = r.top + (r.getHeight() + style.ascent - style.descent) / 2;
    const Gdiplus::GraphicsState state = graphics->Save();
    graphics->IntersectClip(gdiplusRect(r));
    Gdiplus::SolidBrush brush(gdiplusColour(colour));
    graphics->DrawString(wide.c_str(), INT(wide.size()), &style.font,
                         Gdiplus::PointF(Gdiplus::REAL(x), Gdiplus::REAL(baseline - style.ascent)), &style.format,
                         &brush);
    graphics->Restore(state);
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& destination, const CPoint& sourceOffset)
{
    Gdiplus::Bitmap* image = bitmap.getImage();
    // The part of the destination the bitmap covers; beyond its edges
    // nothing is drawn, as cairo leaves it.
    const CRect covered = destination.intersect(CRect::make(destination.left - sourceOffset.x,
                                                            destination.top - sourceOffset.y, bitmap.getWidth(),
                                                            bitmap.getHeight()));
    if (covered.isEmpty())
        return;
    const double pixels = image->GetWidth() / bitmap.getWidth();
    const CPoint source{sourceOffset.x + covered.left - destination.left, sourceOffset.y + covered.top - destination.top};
    graphics->DrawImage(image, gdiplusRect(covered), Gdiplus::REAL(source.x * pixels), Gdiplus::REAL(source.y * pixels),
                        Gdiplus::REAL(covered.getWidth() * pixels), Gdiplus::REAL(covered.getHeight() * pixels),
                        Gdiplus::UnitPixel);
}

void CDrawContext::clip(const CRect& r) { graphics->SetClip(gdiplusRect(r)); }

void CDrawContext::resetClip() { graphics->ResetClip(); }

} // namespace VSTGUI
