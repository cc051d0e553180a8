// The X11 window of a frame: a child of the host's window on our own display
// connection, painted from the frame's back buffer with cairo. Its events are
// taken only when the frame idles, on the host's UI thread.
#pragma once

#include "CFrame.h"

#include <memory>

namespace VSTGUI {

// nullptr when no display can be opened or the parent window is unusable.
std::unique_ptr<IPlatformFrame> createX11Frame(CFrame* frame, unsigned long parentWindow);

// The desktop's scale from its Xft.dpi resource (96 dpi = 1); 0 when the
// display or the resource is missing.
double displayScale();

} // namespace VSTGUI
