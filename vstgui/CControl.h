// A view with a value and a tag that reports user edits to its listener.
#pragma once

#include "CView.h"

namespace VSTGUI {

class CControl;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    // A drag or other continuous gesture starts and ends around its edits.
    virtual void controlBeginEdit(CControl*) {}
    virtual void controlEndEdit(CControl*) {}
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener, int32_t tag, const CBitmap* background = nullptr);

    // Values outside [min, max] are limited; the view redraws when it changes.
    virtual void setValue(float value);
    float getValue() const { return value; }
    void setMin(float v) { vmin = v; }
    void setMax(float v) { vmax = v; }
    float getMin() const { return vmin; }
    float getMax() const { return vmax; }
    void setDefaultValue(float v) { defaultValue = v; }
    float getDefaultValue() const { return defaultValue; }
    int32_t getTag() const { return tag; }
    CControlListener* getListener() const { return listener; }

    void beginEdit();
    void endEdit();
    // Tells the listener about the current value.
    void valueChanged();
    // 0..1 position of the value in its range.
    float getNormalized() const { return vmax > vmin ? (value - vmin) / (vmax - vmin) : 0.0f; }

protected:
    CControlListener* listener;
    int32_t tag;
    float value = 0;
    float vmin = 0;
    float vmax = 1;
    float defaultValue = 0.5f;
};

} // namespace VSTGUI
