#include "CVSTGUITimer.h"

namespace VSTGUI {

CVSTGUITimer::CVSTGUITimer(std::function<void()> function, int milliseconds)
    : callback(std::move(function)), period(milliseconds)
{
}

void CVSTGUITimer::start()
{
    running = true;
    last = std::chrono::steady_clock::now();
}

void CVSTGUITimer::stop() { running = false; }

void CVSTGUITimer::poll()
{
    if (!running)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last < period)
        return;
    last = now;
    callback();
}

} // namespace VSTGUI
