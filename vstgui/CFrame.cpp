#include "CFrame.h"

#include "CDrawContext.h"
#include "COptionMenu.h"

#include <algorithm>
#include <cmath>

namespace VSTGUI {

CFrame::CFrame(const CRect& rect, double scaleFactor)
    : CView(rect), scale(scaleFactor), backBuffer(int(std::lround(rect.getWidth() * scaleFactor)),
                                                  int(std::lround(rect.getHeight() * scaleFactor)))
{
    frame = this;
    dirty = rect;
}

CFrame::~CFrame()
{
    // The platform window goes first: it may still deliver events to views.
    platform.reset();
    removeAll();
}

void CFrame::setPlatform(std::unique_ptr<IPlatformFrame> platformFrame) { platform = std::move(platformFrame); }

void CFrame::addView(CView* view)
{
    children.emplace_back(view);
    view->attached(this);
    view->invalid();
}

void CFrame::forgetView(const CView* view)
{
    if (tracking == view)
        tracking = nullptr;
    if (focus == view)
        focus = nullptr;
    if (popup == view)
        popup = nullptr;
}

void CFrame::removeView(CView* view)
{
    auto found = std::find_if(children.begin(), children.end(), [view](const auto& c) { return c.get() == view; });
    if (found == children.end())
        return;
    invalidRect(view->getViewSize());
    forgetView(view);
    children.erase(found);
}

void CFrame::removeAll()
{
    closePopup();
    tracking = nullptr;
    focus = nullptr;
    children.clear();
    invalidRect(size);
}

bool CFrame::isChild(const CView* view) const
{
    return std::any_of(children.begin(), children.end(), [view](const auto& c) { return c.get() == view; });
}

void CFrame::invalidRect(const CRect& rect) { dirty = dirty.unite(rect.intersect(size)); }

void CFrame::draw(CDrawContext* context)
{
    CView::draw(context);
    for (const auto& child : children)
        if (child->isVisible() && child->getViewSize().rectOverlap(dirty))
            child->draw(context);
}

void CFrame::updateBackBuffer()
{
    if (dirty.isEmpty())
        return;
    // Whole pixels at every scale, so a partial redraw leaves no seams.
    const CRect area{std::floor(dirty.left), std::floor(dirty.top), std::ceil(dirty.right), std::ceil(dirty.bottom)};
    dirty = area;
    backBuffer.paint(scale, [&](CDrawContext& context) {
        context.clip(area);
        context.fillRect(area, {40, 42, 46, 255});
        draw(&context);
    });
}

void CFrame::idle()
{
    if (platform)
        platform->pollEvents();
    if (dirty.isEmpty())
        return;
    updateBackBuffer();
    const CRect shown = dirty;
    dirty = {};
    if (platform)
        platform->present(shown);
}

bool CFrame::writePng(const std::string& path)
{
    updateBackBuffer();
    dirty = {};
    return backBuffer.writePng(path);
}

CView* CFrame::getViewAt(const CPoint& where) const
{
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if ((*it)->isVisible() && (*it)->getViewSize().pointInside(where))
            return it->get();
    return nullptr;
}

void CFrame::setFocusView(CView* view)
{
    if (focus == view)
        return;
    CView* old = focus;
    focus = view;
    if (old)
        old->looseFocus();
}

void CFrame::onMouseDownEvent(const CPoint& where, int32_t buttons)
{
    if (popup) {
        popup->onMouseDown(where, buttons);
        return;
    }
    // Views earlier in the list lie below later ones; the first that takes
    // the click gets it.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* view = it->get();
        if (!view->isVisible() || !view->getViewSize().pointInside(where))
            continue;
        if (focus && focus != view)
            setFocusView(nullptr);
        CMouseResult result = view->onMouseDown(where, buttons);
        if (result == CMouseResult::kNotHandled)
            continue;
        // The handler may have removed the view or opened a pop-up.
        if (result == CMouseResult::kTrack && isChild(view) && !popup)
            tracking = view;
        return;
    }
    setFocusView(nullptr);
}

void CFrame::onMouseMovedEvent(const CPoint& where, int32_t buttons)
{
    if (popup) {
        popup->onMouseMoved(where, buttons);
    } else if (tracking) {
        // The pointer moves with no button down: another client took the
        // grab and the release never came here. The gesture ends now, so no
        // note or host edit is left hanging.
        if (!(buttons & (kLButton | kMButton | kRButton)))
            onMouseUpEvent(where, buttons);
        else
            tracking->onMouseMoved(where, buttons);
    }
}

void CFrame::onMouseUpEvent(const CPoint& where, int32_t buttons)
{
    if (popup) {
        popup->onMouseUp(where, buttons);
        return;
    }
    CView* view = tracking;
    tracking = nullptr;
    if (view)
        view->onMouseUp(where, buttons);
}

void CFrame::onWheelEvent(const CPoint& where, float distance, int32_t buttons)
{
    if (popup)
        return;
    if (CView* view = getViewAt(where))
        view->onWheel(where, distance, buttons);
}

void CFrame::onKeyEvent(uint32_t character)
{
    if (popup && character == 27) {
        closePopup();
        return;
    }
    if (focus)
        focus->onKeyDown(character);
}

void CFrame::openPopup(COptionMenu* menu, const CRect& anchor)
{
    closePopup();
    tracking = nullptr;
    if (platform && platform->popupMenu(menu, anchor))
        return;
    popup = new CMenuPopup(menu, anchor, size);
    addView(popup);
}

void CFrame::closePopup()
{
    if (!popup)
        return;
    CView* open = popup;
    popup = nullptr;
    removeView(open);
}

} // namespace VSTGUI
