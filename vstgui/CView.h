// The view tree: a view owns a rectangle of the frame, draws itself and
// answers the mouse in panel coordinates.
#pragma once

#include "CGeometry.h"

#include <string>

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;

// What a view wants after a mouse-down: nothing, or every following move and
// the release even outside its rectangle.
enum class CMouseResult { kNotHandled, kHandled, kTrack };

class CView {
public:
    explicit CView(const CRect& size);
    virtual ~CView();
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    virtual void draw(CDrawContext* context);
    virtual CMouseResult onMouseDown(const CPoint& where, int32_t buttons);
    virtual void onMouseMoved(const CPoint& where, int32_t buttons);
    virtual void onMouseUp(const CPoint& where, int32_t buttons);
    virtual bool onWheel(const CPoint& where, float distance, int32_t buttons);
    // A key typed while this view has the focus; false lets the frame use it.
    virtual bool onKeyDown(uint32_t character);
    virtual void looseFocus() {}

    const CRect& getViewSize() const { return size; }
    void setViewSize(const CRect& rect);
    bool isVisible() const { return visible; }
    void setVisible(bool state);
    // Views drawn from a shared skin bitmap do not own it.
    void setBackground(const CBitmap* bitmap) { background = bitmap; }
    const CBitmap* getBackground() const { return background; }

    // Asks the frame to redraw this view at the next idle.
    void invalid();
    CFrame* getFrame() const { return frame; }
    void attached(CFrame* owner) { frame = owner; }

protected:
    CRect size;
    const CBitmap* background = nullptr;
    CFrame* frame = nullptr;
    bool visible = true;
};

} // namespace VSTGUI
