#include "CView.h"

#include "CDrawContext.h"
#include "CFrame.h"

namespace VSTGUI {

CView::CView(const CRect& rect) : size(rect) {}

CView::~CView() = default;

void CView::draw(CDrawContext* context)
{
    if (background)
        context->drawBitmap(*background, size);
}

CMouseResult CView::onMouseDown(const CPoint&, int32_t) { return CMouseResult::kNotHandled; }
void CView::onMouseMoved(const CPoint&, int32_t) {}
void CView::onMouseUp(const CPoint&, int32_t) {}
bool CView::onWheel(const CPoint&, float, int32_t) { return false; }
bool CView::onKeyDown(uint32_t) { return false; }

void CView::setViewSize(const CRect& rect)
{
    invalid();
    size = rect;
    invalid();
}

void CView::setVisible(bool state)
{
    if (visible == state)
        return;
    visible = state;
    if (frame)
        frame->invalidRect(size);
}

void CView::invalid()
{
    if (frame)
        frame->invalidRect(size);
}

} // namespace VSTGUI
