// GDI+ runs while any of the toolkit's images exist: it starts with the first
// and shuts down with the last, so a host may unload the module once the
// editor is closed. All of it happens on the host's UI thread.
#pragma once

#include <windows.h>

// GDI+ needs the COM declarations a lean windows.h leaves out.
#include <objidl.h>

#include <gdiplus.h>

namespace VSTGUI {

void acquireGdiplus();
void releaseGdiplus();

// The sans-serif family of the toolkit's text, valid while GDI+ runs.
const Gdiplus::FontFamily& textFamily();

// GDI+'s PNG encoder; false when it has none.
bool pngEncoder(CLSID& encoder);

} // namespace VSTGUI
