// The drawing library behind contexts, bitmaps and the frame's back buffer:
// GDI+ on Windows, cairo everywhere else. Shared code only passes these
// pointers through; the back end's own files look inside.
#pragma once

#ifdef _WIN32
namespace Gdiplus {
class Graphics;
class Bitmap;
} // namespace Gdiplus

namespace VSTGUI {
using PlatformGraphics = Gdiplus::Graphics;
using PlatformImage = Gdiplus::Bitmap;
} // namespace VSTGUI
#else
typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {
using PlatformGraphics = cairo_t;
using PlatformImage = cairo_surface_t;
} // namespace VSTGUI
#endif
