// The editor's own controls: toolkit controls with the behaviour the
// instrument needs on top (value pop-ups, default on double-click, the
// spring-back pitch wheel, the on-screen keyboard, the effect tiles).
#pragma once

#include "COptionMenu.h"
#include "Controls.h"

#include <array>
#include <functional>
#include <string>

class VstSynth;

// The value pop-up shown while a knob is dragged.
class CMyParamDisplay : public VSTGUI::CParamDisplay {
public:
    explicit CMyParamDisplay(const VSTGUI::CRect& size);
    void draw(VSTGUI::CDrawContext* context) override;
};

// "MIDI Learn" / "MIDI Forget" for the parameter of the control that was
// right-clicked; the choice reaches the editor under tag 357.
class CLittleRightClickMenu : public VSTGUI::COptionMenu {
public:
    static constexpr int32_t kTag = 357;
    static constexpr int32_t kLearnRow = 0;
    static constexpr int32_t kForgetRow = 1;
    explicit CLittleRightClickMenu(VSTGUI::CControlListener* listener);
    // Opens over the control on a right-click, for parameters a controller
    // can drive; true when it opened.
    bool openOnRightClick(VSTGUI::CControl& control, int32_t buttons);
    int32_t getTarget() const { return target; }
    // Learn and Forget are commands: the last one chosen is no state to show.
    bool marksCurrent() const override { return false; }

private:
    int32_t target = -1;
};

// Formats a parameter's value text for the pop-up.
using ValueText = std::function<std::string(int32_t tag, float value)>;

// The panel's filmstrip knobs; while dragged they show the value below.
class CTovimarKnob : public VSTGUI::CAnimKnob {
public:
    CTovimarKnob(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                 const VSTGUI::CBitmap* strip, CMyParamDisplay* display, ValueText text, const bool* showDisplay,
                 CLittleRightClickMenu& learnMenu);
    VSTGUI::CMouseResult onMouseDown(const VSTGUI::CPoint& where, int32_t buttons) override;
    void onMouseMoved(const VSTGUI::CPoint& where, int32_t buttons) override;
    void onMouseUp(const VSTGUI::CPoint& where, int32_t buttons) override;

private:
    void showValue();
    CMyParamDisplay* display;
    ValueText text;
    const bool* showDisplay;
    CLittleRightClickMenu& learnMenu;
};

// A small knob that shows its value as text beside it; double-click sets 0.5.
class CMyKnob : public VSTGUI::CKnob {
public:
    CMyKnob(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
            std::function<std::string(float)> text, CLittleRightClickMenu& learnMenu);
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseResult onMouseDown(const VSTGUI::CPoint& where, int32_t buttons) override;
    // The text beside the knob.
    std::string shownText() const { return text(value); }

private:
    std::function<std::string(float)> text;
    CLittleRightClickMenu& learnMenu;
};

// An LED button of a parameter.
class CMyOnOffButton : public VSTGUI::COnOffButton {
public:
    CMyOnOffButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                   const VSTGUI::CBitmap* background, CLittleRightClickMenu& learnMenu);
    VSTGUI::CMouseResult onMouseDown(const VSTGUI::CPoint& where, int32_t buttons) override;

private:
    CLittleRightClickMenu& learnMenu;
};

// A switch of n positions whose stored value v selects position int((n - 1) v).
class CMyVerticalSwitch : public VSTGUI::CVerticalSwitch {
public:
    CMyVerticalSwitch(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag, int32_t positions,
                      const VSTGUI::CBitmap* background, CLittleRightClickMenu& learnMenu);
    void setValue(float value) override;
    VSTGUI::CMouseResult onMouseDown(const VSTGUI::CPoint& where, int32_t buttons) override;

private:
    CLittleRightClickMenu& learnMenu;
};

// A menu field with a fixed caption (the file menus).
class CMyOptionMenu : public VSTGUI::COptionMenu {
public:
    CMyOptionMenu(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag, std::string caption);
    std::string fieldText() const override { return caption; }

private:
    std::string caption;
};

// A modulation destination field: its entries are the quick groups, and it
// notes which slot the groups were opened for.
class CDestinationMenu : public VSTGUI::COptionMenu {
public:
    CDestinationMenu(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag, int32_t& openedFor);
    VSTGUI::CMouseResult onMouseDown(const VSTGUI::CPoint& where, int32_t buttons) override;
    std::string fieldText() const override { return shown; }
    void setShownText(const std::string& text);

private:
    int32_t& openedFor;
    std::string shown;
};

// The oscillator wave menus, which the mouse wheel also steps.
class CWaveformSelector : public VSTGUI::COptionMenu {
public:
    using COptionMenu::COptionMenu;
    bool onWheel(const VSTGUI::CPoint& where, float distance, int32_t buttons) override;
};

// Modulation and pitch wheels: dragged over their own height; the pitch
// wheel springs back to the centre when released.
class CKeyboardWheel : public VSTGUI::CKnob {
public:
    CKeyboardWheel(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                   const VSTGUI::CBitmap* strip, bool springBack);
    void draw(VSTGUI::CDrawContext* context) override;
    void onMouseUp(const VSTGUI::CPoint& where, int32_t buttons) override;
    bool onWheel(const VSTGUI::CPoint& where, float distance, int32_t buttons) override;

private:
    bool springBack;
};

// The page selector: four segments of fixed widths.
class CArpMainMM : public VSTGUI::CHorizontalSwitch {
public:
    using CHorizontalSwitch::CHorizontalSwitch;

protected:
    float valueAt(const VSTGUI::CPoint& where) const override;
};

// A page's panel bitmap.
class CBackgroundAddOn : public VSTGUI::CView {
public:
    CBackgroundAddOn(const VSTGUI::CRect& size, const VSTGUI::CBitmap* bitmap);
};

// The envelope marks: nothing to draw or click beyond the panel's picture.
class CADSREnvelope : public VSTGUI::CControl {
public:
    using CControl::CControl;
    void draw(VSTGUI::CDrawContext*) override {}
};

// The maker's logo opens the web site.
class CUrlButton : public VSTGUI::CKickButton {
public:
    using CKickButton::CKickButton;
    void draw(VSTGUI::CDrawContext*) override {}
    void onMouseUp(const VSTGUI::CPoint& where, int32_t buttons) override;
};

// Five octaves from the panel's fixed keyboard position; plays through the
// plug-in's editor note queue.
class CKeyboardCtrl : public VSTGUI::CControl {
public:
    CKeyboardCtrl(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag, VstSynth& synth);
    // A key still held when the editor closes is let go.
    ~CKeyboardCtrl() override;
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseResult onMouseDown(const VSTGUI::CPoint& where, int32_t buttons) override;
    void onMouseUp(const VSTGUI::CPoint& where, int32_t buttons) override;
    // Key index 0..59 and velocity of a click at `where`.
    static void keyAt(const VSTGUI::CPoint& where, int32_t& key, int32_t& velocity);

private:
    void releaseKey();
    VstSynth& synth;
    int32_t heldKey = -1;
};

class CVeskFxBox;

// The six effect tiles and their shared drag state.
struct FxBoxGroup {
    std::array<CVeskFxBox*, 6> tiles{};
    bool dragging = false;
    CVeskFxBox* marked = nullptr;
};

// One effect-order tile: its value is the effect kind in that slot.
class CVeskFxBox : public VSTGUI::CControl {
public:
    CVeskFxBox(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
               const VSTGUI::CBitmap* strip, FxBoxGroup& group, int32_t slot);
    ~CVeskFxBox() override;
    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseResult onMouseDown(const VSTGUI::CPoint& where, int32_t buttons) override;
    void onMouseMoved(const VSTGUI::CPoint& where, int32_t buttons) override;
    void onMouseUp(const VSTGUI::CPoint& where, int32_t buttons) override;

private:
    void highlight(bool state);
    FxBoxGroup& group;
    int32_t slot;
    bool highlighted = false;
};

// The arpeggiator's step markers: the step that last played is lit.
class CArpStepDisplay : public VSTGUI::CView {
public:
    using CView::CView;
    void draw(VSTGUI::CDrawContext* context) override;
    void setStep(int32_t step);
    int32_t getStep() const { return step; }
    // Where step `step`'s marker sits, in panel coordinates.
    VSTGUI::CRect markerRect(int32_t step) const;

private:
    void invalidMarker(int32_t index);
    int32_t step = -1;
};
