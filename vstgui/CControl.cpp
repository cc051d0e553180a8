#include "CControl.h"

#include <algorithm>

namespace VSTGUI {

CControl::CControl(const CRect& rect, CControlListener* owner, int32_t controlTag, const CBitmap* bitmap)
    : CView(rect), listener(owner), tag(controlTag)
{
    background = bitmap;
}

void CControl::setValue(float newValue)
{
    newValue = std::clamp(newValue, vmin, vmax);
    if (newValue == value)
        return;
    value = newValue;
    invalid();
}

void CControl::beginEdit()
{
    if (listener)
        listener->controlBeginEdit(this);
}

void CControl::endEdit()
{
    if (listener)
        listener->controlEndEdit(this);
}

void CControl::valueChanged()
{
    if (listener)
        listener->valueChanged(this);
}

} // namespace VSTGUI
