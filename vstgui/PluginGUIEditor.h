// The editor base a plug-in's editor derives from: answers the host's editor
// calls, owns the frame while the editor is open and picks its back end
// (a child window of the host's window, or an off-screen frame when the host
// gives no window).
#pragma once

#include "AudioEffect.h"
#include "CFrame.h"

#include <memory>

namespace VSTGUI {

class PluginGUIEditor : public AEffEditor {
public:
    explicit PluginGUIEditor(AudioEffect* effect);
    ~PluginGUIEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* parentWindow) override;
    void close() override;
    void idle() override;

    CFrame* getFrame() const { return frame.get(); }
    bool isOpen() const { return frame != nullptr; }
    // Display scale used by the next open (1, 1.5 or 2 are rendered crisp).
    void setScale(double factor);
    double getScale() const { return scale; }

protected:
    // Panel size in unscaled pixels; getRect reports it times the scale.
    void setPanelSize(int32_t width, int32_t height);
    // Creates the frame with a window inside `parentWindow`, or off-screen
    // when it is null. False when the window cannot be made.
    bool createFrame(void* parentWindow);
    void destroyFrame();

    AudioEffect* effect;

private:
    std::unique_ptr<CFrame> frame;
    ERect rect{};
    int32_t panelWidth = 0;
    int32_t panelHeight = 0;
    double scale = 1.0;
};

} // namespace VSTGUI
