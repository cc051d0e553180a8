#include "CBitmap.h"

#include "GdiplusSession.h"

#include <shlwapi.h>

#include <cstring>

namespace VSTGUI {

namespace {

// GDI+'s own decoder reads the PNG (there is no libpng for MinGW). A bitmap
// read from a stream keeps reading it, so the pixels are copied out at once,
// premultiplied, which is also what GDI+ draws fastest.
Gdiplus::Bitmap* decode(const uint8_t* bytes, size_t size)
{
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!bytes || size < sizeof(kSignature) || std::memcmp(bytes, kSignature, sizeof(kSignature)) != 0)
        return nullptr;
    IStream* stream = SHCreateMemStream(bytes, UINT(size));
    if (!stream)
        return nullptr;
    Gdiplus::Bitmap* copy = nullptr;
    {
        Gdiplus::Bitmap decoded(stream);
        if (decoded.GetLastStatus() == Gdiplus::Ok && decoded.GetWidth() > 0 && decoded.GetHeight() > 0)
            copy = decoded.Clone(0, 0, INT(decoded.GetWidth()), INT(decoded.GetHeight()),
                                 PixelFormat32bppPARGB);
    }
    stream->Release();
    if (copy && copy->GetLastStatus() != Gdiplus::Ok) {
        delete copy;
        copy = nullptr;
    }
    return copy;
}

} // namespace

CBitmap::CBitmap(const uint8_t* png, size_t size, double scale)
{
    acquireGdiplus();
    image = decode(png, size);
    if (!image) {
        image = new Gdiplus::Bitmap(1, 1, PixelFormat32bppPARGB);
        image->SetPixel(0, 0, Gdiplus::Color(0, 0, 0, 0));
    }
    width = image->GetWidth() / scale;
    height = image->GetHeight() / scale;
}

CBitmap::~CBitmap()
{
    delete image;
    releaseGdiplus();
}

} // namespace VSTGUI
