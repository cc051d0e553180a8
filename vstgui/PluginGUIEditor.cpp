#include "PluginGUIEditor.h"

#include "PlatformFrame.h"

#include <cmath>

namespace VSTGUI {

PluginGUIEditor::PluginGUIEditor(AudioEffect* owner) : effect(owner) {}

PluginGUIEditor::~PluginGUIEditor() = default;

void PluginGUIEditor::setPanelSize(int32_t width, int32_t height)
{
    panelWidth = width;
    panelHeight = height;
}

void PluginGUIEditor::setScale(double factor)
{
    // The skin exists at three scales; anything else takes the nearest.
    scale = factor >= 1.75 ? 2.0 : (factor >= 1.25 ? 1.5 : 1.0);
}

bool PluginGUIEditor::getRect(ERect** answer)
{
    rect.top = 0;
    rect.left = 0;
    rect.right = VstInt16(std::lround(panelWidth * scale));
    rect.bottom = VstInt16(std::lround(panelHeight * scale));
    *answer = &rect;
    return true;
}

bool PluginGUIEditor::createFrame(void* parentWindow)
{
    frame = std::make_unique<CFrame>(CRect{0, 0, double(panelWidth), double(panelHeight)}, scale);
    if (!parentWindow)
        return true;
    auto window = createPlatformFrame(frame.get(), parentWindow, [this] { idle(); });
    if (!window) {
        frame.reset();
        return false;
    }
    frame->setPlatform(std::move(window));
    return true;
}

void PluginGUIEditor::destroyFrame() { frame.reset(); }

bool PluginGUIEditor::open(void* parentWindow) { return createFrame(parentWindow); }

void PluginGUIEditor::close() { destroyFrame(); }

void PluginGUIEditor::idle()
{
    if (frame)
        frame->idle();
}

} // namespace VSTGUI
