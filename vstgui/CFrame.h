// The root of the view tree. It owns its views, draws them into a back
// buffer at the display's scale, keeps the region that needs redrawing and
// hands mouse and key events to the views. A platform window (X11 or Win32)
// or nothing at all (off-screen, for tests and screenshots) sits behind it.
#pragma once

#include "CBackBuffer.h"
#include "CView.h"

#include <memory>
#include <string>
#include <vector>

namespace VSTGUI {

class COptionMenu;
class CMenuPopup;

// What a window system does for a frame: show the back buffer and turn its
// own events into the frame's calls. Everything runs on the UI thread.
class IPlatformFrame {
public:
    virtual ~IPlatformFrame() = default;
    // Copies the rectangle (panel coordinates) of the back buffer to the screen.
    virtual void present(const CRect& rect) = 0;
    // Takes pending window-system events and dispatches them to the frame.
    virtual void pollEvents() = 0;
    // Shows the menu with the window system's own pop-up and reports the
    // choice; false leaves the menu to the frame, which draws it itself.
    virtual bool popupMenu(COptionMenu*, const CRect& /*anchor*/) { return false; }
};

class CFrame : public CView {
public:
    CFrame(const CRect& size, double scale);
    ~CFrame() override;

    void setPlatform(std::unique_ptr<IPlatformFrame> platformFrame);
    IPlatformFrame* getPlatform() const { return platform.get(); }
    double getScale() const { return scale; }

    // The frame owns what is added; removeView deletes it.
    void addView(CView* view);
    void removeView(CView* view);
    void removeAll();
    bool isChild(const CView* view) const;

    void invalidRect(const CRect& rect);
    const CRect& getDirtyRect() const { return dirty; }
    // Takes events, redraws what changed and shows it.
    void idle();
    // Redraws the dirty region into the back buffer without showing it.
    void updateBackBuffer();
    bool writePng(const std::string& path);
    const CBackBuffer& getBackBuffer() const { return backBuffer; }

    // Events in panel coordinates, from the platform or from tests.
    void onMouseDownEvent(const CPoint& where, int32_t buttons);
    void onMouseMovedEvent(const CPoint& where, int32_t buttons);
    void onMouseUpEvent(const CPoint& where, int32_t buttons);
    void onWheelEvent(const CPoint& where, float distance, int32_t buttons);
    void onKeyEvent(uint32_t character);

    // The view under a point, topmost first; nullptr when none.
    CView* getViewAt(const CPoint& where) const;
    void setFocusView(CView* view);
    CView* getFocusView() const { return focus; }

    // Shows a menu's entries as a pop-up over the frame until a choice or a
    // click elsewhere.
    void openPopup(COptionMenu* menu, const CRect& anchor);
    void closePopup();
    CMenuPopup* getPopup() const { return popup; }

    void draw(CDrawContext* context) override;

private:
    void forgetView(const CView* view);

    double scale;
    std::unique_ptr<IPlatformFrame> platform;
    std::vector<std::unique_ptr<CView>> children;
    CBackBuffer backBuffer;
    CRect dirty;
    CView* tracking = nullptr;
    CView* focus = nullptr;
    CMenuPopup* popup = nullptr;
};

} // namespace VSTGUI
