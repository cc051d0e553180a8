#include "CBackBuffer.h"

#include "CDrawContext.h"
#include "GdiplusSession.h"
#include "win32/WideText.h"

namespace VSTGUI {

CBackBuffer::CBackBuffer(int w, int h) : width(w), height(h)
{
    acquireGdiplus();
    image = new Gdiplus::Bitmap(width, height, PixelFormat32bppRGB);
}

CBackBuffer::~CBackBuffer()
{
    delete image;
    releaseGdiplus();
}

void CBackBuffer::paint(double scale, const std::function<void(CDrawContext&)>& painter)
{
    Gdiplus::Graphics graphics(image);
    CDrawContext context(&graphics, scale);
    painter(context);
}

bool CBackBuffer::writePng(const std::string& path) const
{
    CLSID encoder;
    return pngEncoder(encoder) && image->Save(widen(path).c_str(), &encoder, nullptr) == Gdiplus::Ok;
}

} // namespace VSTGUI
