#include "CBackBuffer.h"

#include "CDrawContext.h"
#include "GdiplusSession.h"
#include "win32/WideText.h"

#include <vector>

namespace VSTGUI {

namespace {

bool pngEncoder(CLSID& encoder)
{
    UINT count = 0;
    UINT bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0)
        return false;
    std::vector<uint8_t> storage(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && std::wstring(codecs[i].MimeType) == L"image/png") {
            encoder = codecs[i].Clsid;
            return true;
        }
    return false;
}

} // namespace

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
