// The window of a frame inside the host's window, from the platform's back
// end: an X11 child window on Linux, a Win32 child window on Windows.
#pragma once

#include "CFrame.h"

#include <functional>
#include <memory>

namespace VSTGUI {

// `parentWindow` is what the host passed to effEditOpen. `tick` is the
// editor's idle, for platforms whose windows keep their own timer (hosts on
// Windows do not all call effEditIdle often enough). nullptr when the window
// cannot be made.
std::unique_ptr<IPlatformFrame> createPlatformFrame(CFrame* frame, void* parentWindow, std::function<void()> tick);

// The desktop's scale (96 dpi = 1); 0 when it cannot be told.
double displayScale();

} // namespace VSTGUI
