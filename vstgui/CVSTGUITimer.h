// A periodic callback on the UI thread. Nothing runs it behind the owner's
// back: the owner's idle calls poll(), so the callback never races drawing.
#pragma once

#include <chrono>
#include <functional>

namespace VSTGUI {

class CVSTGUITimer {
public:
    CVSTGUITimer(std::function<void()> callback, int milliseconds);

    void start();
    void stop();
    bool isRunning() const { return running; }
    // Fires once when a period has passed since the last firing.
    void poll();

private:
    std::function<void()> callback;
    std::chrono::milliseconds period;
    std::chrono::steady_clock::time_point last;
    bool running = false;
};

} // namespace VSTGUI
