#include "GdiplusSession.h"

#include <cwchar>
#include <memory>
#include <mutex>
#include <vector>

namespace VSTGUI {

namespace {

struct Session {
    ULONG_PTR token = 0;
    int users = 0;
    std::unique_ptr<Gdiplus::FontFamily> family;
};

std::mutex sessionLock;
Session session;

// The Linux editor draws with DejaVu Sans; Wine and some Windows desktops have
// it, and with it the same text widths. Otherwise the desktop's own sans-serif.
std::unique_ptr<Gdiplus::FontFamily> chooseFamily()
{
    for (const wchar_t* name : {L"DejaVu Sans", L"Segoe UI", L"Tahoma"}) {
        auto family = std::make_unique<Gdiplus::FontFamily>(name);
        if (family->IsAvailable())
            return family;
    }
    return std::unique_ptr<Gdiplus::FontFamily>(Gdiplus::FontFamily::GenericSansSerif()->Clone());
}

} // namespace

void acquireGdiplus()
{
    std::lock_guard<std::mutex> guard(sessionLock);
    if (session.users++ > 0)
        return;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&session.token, &input, nullptr);
    session.family = chooseFamily();
}

void releaseGdiplus()
{
    std::lock_guard<std::mutex> guard(sessionLock);
    if (--session.users > 0)
        return;
    // GDI+ objects must be gone before it shuts down.
    session.family.reset();
    Gdiplus::GdiplusShutdown(session.token);
    session.token = 0;
}

const Gdiplus::FontFamily& textFamily() { return *session.family; }

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
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            encoder = codecs[i].Clsid;
            return true;
        }
    return false;
}

} // namespace VSTGUI
