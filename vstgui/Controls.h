// The toolkit's standard controls: knobs, buttons, switches and the value
// display. Bitmaps are filmstrips: the frames lie one below the other, each
// as tall as the control.
#pragma once

#include "CControl.h"

#include <functional>
#include <string>

namespace VSTGUI {

// Turned by dragging up and down (Shift for fine steps) or by the wheel.
class CKnob : public CControl {
public:
    CKnob(const CRect& size, CControlListener* listener, int32_t tag, const CBitmap* background = nullptr);

    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
    void onMouseMoved(const CPoint& where, int32_t buttons) override;
    void onMouseUp(const CPoint& where, int32_t buttons) override;
    bool onWheel(const CPoint& where, float distance, int32_t buttons) override;

protected:
    // Pixels of vertical travel for the whole range.
    double dragRange = 200;
    double startY = 0;
    double lastY = 0;
    float startValue = 0;
    bool fine = false;
};

// A knob drawn from a filmstrip of rotation frames.
class CAnimKnob : public CKnob {
public:
    using CKnob::CKnob;
    void draw(CDrawContext* context) override;
};

// Draws frame `index` of a filmstrip bitmap into the control's rectangle.
void drawFilmstripFrame(CDrawContext* context, const CBitmap& bitmap, const CRect& size, int32_t index);
int32_t filmstripFrames(const CBitmap& bitmap, const CRect& size);

// Toggles between min and max; frame 0 off, frame 1 on.
class COnOffButton : public CControl {
public:
    using CControl::CControl;
    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
};

// At max while held, back to min on release; both report.
class CKickButton : public COnOffButton {
public:
    using COnOffButton::COnOffButton;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
    void onMouseUp(const CPoint& where, int32_t buttons) override;
};

// Left half -1, right half +1 while held, 0 after; frames: rest, left, right.
class CRockerSwitch : public CControl {
public:
    CRockerSwitch(const CRect& size, CControlListener* listener, int32_t tag, const CBitmap* background = nullptr);
    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
    void onMouseUp(const CPoint& where, int32_t buttons) override;
};

// A row or column of `positions` choices; value = position / (positions - 1).
class CSwitchBase : public CControl {
public:
    CSwitchBase(const CRect& size, CControlListener* listener, int32_t tag, int32_t positions, bool horizontal,
                const CBitmap* background = nullptr);
    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
    void onMouseMoved(const CPoint& where, int32_t buttons) override;
    void onMouseUp(const CPoint& where, int32_t buttons) override;
    int32_t getPositions() const { return positions; }
    int32_t getPosition() const;

protected:
    virtual float valueAt(const CPoint& where) const;
    int32_t positions;
    bool horizontal;
};

class CHorizontalSwitch : public CSwitchBase {
public:
    CHorizontalSwitch(const CRect& size, CControlListener* listener, int32_t tag, int32_t positions,
                      const CBitmap* background = nullptr)
        : CSwitchBase(size, listener, tag, positions, true, background)
    {
    }
};

class CVerticalSwitch : public CSwitchBase {
public:
    CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, int32_t positions,
                    const CBitmap* background = nullptr)
        : CSwitchBase(size, listener, tag, positions, false, background)
    {
    }
};

// Shows a text: its own, or its value through a formatter. An editable
// display takes typed text after a click and reports it on Return or when it
// loses the focus.
class CParamDisplay : public CControl {
public:
    CParamDisplay(const CRect& size, CControlListener* listener = nullptr, int32_t tag = -1,
                  const CBitmap* background = nullptr);

    void setText(const std::string& text);
    const std::string& getText() const { return text; }
    void setValueToString(std::function<std::string(float)> formatter);
    void setEditable(bool state, size_t maxLength = 0);
    // Takes the keyboard focus and starts editing, as a click would.
    void beginEditing();
    void setFontSize(double points) { fontSize = points; }
    void setWrapping(bool state) { wrap = state; }

    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
    bool onKeyDown(uint32_t character) override;
    void looseFocus() override;

private:
    std::string shownText() const;
    void commit();

    std::string text;
    std::function<std::string(float)> valueToString;
    bool editable = false;
    bool editing = false;
    bool wrap = false;
    size_t maxLength = 0;
    double fontSize = 10;
};

} // namespace VSTGUI
