#include "EditorControls.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "EditorLayout.h"
#include "EditorVocabulary.h"
#include "UrlOpener.h"
#include "VstSynth.h"

#include <algorithm>
#include <cmath>

using namespace VSTGUI;

namespace {
const CColor kPopupBack{16, 17, 19, 235};
const CColor kAccent{240, 140, 40, 255};
const CColor kText{225, 228, 232, 255};
const CColor kKnobBody{70, 74, 80, 255};
const CColor kHeldKey{240, 140, 40, 170};
} // namespace

CMyParamDisplay::CMyParamDisplay(const CRect& rect) : CParamDisplay(rect)
{
    setFontSize(9.5);
    setVisible(false);
}

void CMyParamDisplay::draw(CDrawContext* context)
{
    context->fillRoundRect(size, 3, kPopupBack);
    context->frameRect(size, kAccent);
    CParamDisplay::draw(context);
}

CLittleRightClickMenu::CLittleRightClickMenu(CControlListener* owner) : COptionMenu({}, owner, kTag)
{
    addEntry("MIDI Learn");
    addEntry("MIDI Forget");
}

bool CLittleRightClickMenu::openOnRightClick(CControl& control, int32_t buttons)
{
    CFrame* frame = control.getFrame();
    if (!(buttons & kRButton) || !frame || control.getTag() >= ControllerMap::kAssignableParams)
        return false;
    target = control.getTag();
    frame->openPopup(this, control.getViewSize());
    return true;
}

CTovimarKnob::CTovimarKnob(const CRect& rect, CControlListener* owner, int32_t controlTag, const CBitmap* strip,
                           CMyParamDisplay* valueDisplay, ValueText formatter, const bool* show,
                           CLittleRightClickMenu& menu)
    : CAnimKnob(rect, owner, controlTag, strip), display(valueDisplay), text(std::move(formatter)), showDisplay(show),
      learnMenu(menu)
{
}

CMouseResult CTovimarKnob::onMouseDown(const CPoint& where, int32_t buttons)
{
    if (learnMenu.openOnRightClick(*this, buttons))
        return CMouseResult::kHandled;
    if (!(buttons & kLButton))
        return CMouseResult::kNotHandled;
    if (display && *showDisplay) {
        // Below the knob, or on the panel's last free line for knobs low down.
        const double top = size.bottom > 591 ? 592 : size.bottom + 7;
        display->setViewSize({size.left - 15, top, size.right + 15, top + 16});
        display->setText("");
        display->setVisible(true);
    }
    return CAnimKnob::onMouseDown(where, buttons);
}

void CTovimarKnob::showValue()
{
    if (display && display->isVisible())
        display->setText(text(tag, value));
}

void CTovimarKnob::onMouseMoved(const CPoint& where, int32_t buttons)
{
    CAnimKnob::onMouseMoved(where, buttons);
    showValue();
}

void CTovimarKnob::onMouseUp(const CPoint& where, int32_t buttons)
{
    CAnimKnob::onMouseUp(where, buttons);
    if (display)
        display->setVisible(false);
}

CMyKnob::CMyKnob(const CRect& rect, CControlListener* owner, int32_t controlTag,
                 std::function<std::string(float)> formatter, CLittleRightClickMenu& menu)
    : CKnob(rect, owner, controlTag), text(std::move(formatter)), learnMenu(menu)
{
}

void CMyKnob::draw(CDrawContext* context)
{
    const double d = size.getHeight() - 4;
    const CRect knobRect = CRect::make(size.left + 3, size.top + 2, d, d);
    const CPoint centre{knobRect.left + d / 2, knobRect.top + d / 2};
    context->fillRoundRect(knobRect, d / 2, kKnobBody);
    const double angle = (225.0 - 270.0 * getNormalized()) * M_PI / 180.0;
    context->drawLine(centre, {centre.x + std::cos(angle) * d * 0.45, centre.y - std::sin(angle) * d * 0.45}, kAccent,
                      1.8);
    context->drawString(shownText(), {knobRect.right + 3, size.top, size.right - 2, size.bottom}, CHoriTxtAlign::kLeft,
                        9.5, kText);
}

CMouseResult CMyKnob::onMouseDown(const CPoint& where, int32_t buttons)
{
    if (learnMenu.openOnRightClick(*this, buttons))
        return CMouseResult::kHandled;
    if ((buttons & kLButton) && (buttons & kDoubleClick)) {
        if (value != 0.5f) {
            beginEdit();
            setValue(0.5f);
            valueChanged();
            endEdit();
        }
        return CMouseResult::kHandled;
    }
    return CKnob::onMouseDown(where, buttons);
}

CMyOnOffButton::CMyOnOffButton(const CRect& rect, CControlListener* owner, int32_t controlTag, const CBitmap* background,
                               CLittleRightClickMenu& menu)
    : COnOffButton(rect, owner, controlTag, background), learnMenu(menu)
{
}

CMouseResult CMyOnOffButton::onMouseDown(const CPoint& where, int32_t buttons)
{
    if (learnMenu.openOnRightClick(*this, buttons))
        return CMouseResult::kHandled;
    return COnOffButton::onMouseDown(where, buttons);
}

CMyVerticalSwitch::CMyVerticalSwitch(const CRect& rect, CControlListener* owner, int32_t controlTag, int32_t positions,
                                     const CBitmap* background, CLittleRightClickMenu& menu)
    : CVerticalSwitch(rect, owner, controlTag, positions, background), learnMenu(menu)
{
}

CMouseResult CMyVerticalSwitch::onMouseDown(const CPoint& where, int32_t buttons)
{
    if (learnMenu.openOnRightClick(*this, buttons))
        return CMouseResult::kHandled;
    return CVerticalSwitch::onMouseDown(where, buttons);
}

void CMyVerticalSwitch::setValue(float stored)
{
    // The engine reads int(steps * v); the switch shows that same position.
    const int32_t position = std::clamp(int32_t(float(positions - 1) * stored), 0, positions - 1);
    CVerticalSwitch::setValue(float(position) / float(positions - 1));
}

CMyOptionMenu::CMyOptionMenu(const CRect& rect, CControlListener* owner, int32_t controlTag, std::string text)
    : COptionMenu(rect, owner, controlTag), caption(std::move(text))
{
}

CDestinationMenu::CDestinationMenu(const CRect& rect, CControlListener* owner, int32_t controlTag, int32_t& target)
    : COptionMenu(rect, owner, controlTag), openedFor(target)
{
}

CMouseResult CDestinationMenu::onMouseDown(const CPoint& where, int32_t buttons)
{
    openedFor = tag;
    return COptionMenu::onMouseDown(where, buttons);
}

void CDestinationMenu::setShownText(const std::string& text)
{
    if (text == shown)
        return;
    shown = text;
    invalid();
}

bool CWaveformSelector::onWheel(const CPoint&, float distance, int32_t)
{
    const int32_t row = getCurrentIndex();
    if (distance > 0 && row < getNbEntries() - 1)
        choose(row + 1);
    else if (distance < 0 && row > 0)
        choose(row - 1);
    return true;
}

CKeyboardWheel::CKeyboardWheel(const CRect& rect, CControlListener* owner, int32_t controlTag, const CBitmap* strip,
                               bool springs)
    : CKnob(rect, owner, controlTag, strip), springBack(springs)
{
    dragRange = rect.getHeight();
}

void CKeyboardWheel::draw(CDrawContext* context)
{
    if (background)
        drawFilmstripFrame(context, *background, size,
                           int32_t(std::lround(getNormalized() * (filmstripFrames(*background, size) - 1))));
}

void CKeyboardWheel::onMouseUp(const CPoint& where, int32_t buttons)
{
    if (springBack) {
        setValue(0.5f);
        valueChanged();
    }
    CKnob::onMouseUp(where, buttons);
}

bool CKeyboardWheel::onWheel(const CPoint& where, float distance, int32_t buttons)
{
    // A scroll leaves no release to bring the pitch wheel back: it would stay bent.
    if (springBack)
        return true;
    return CKnob::onWheel(where, distance, buttons);
}

float CArpMainMM::valueAt(const CPoint& where) const
{
    const double x = where.x - size.left;
    const int32_t position = x < 40 ? 0 : (x < 138 ? 1 : (x < 248 ? 2 : 3));
    return std::clamp(float(position) / float(positions - 1), 0.0f, 1.0f);
}

CBackgroundAddOn::CBackgroundAddOn(const CRect& rect, const CBitmap* bitmap) : CView(rect) { background = bitmap; }

void CUrlButton::onMouseUp(const CPoint& where, int32_t buttons)
{
    CKickButton::onMouseUp(where, buttons);
    openInBrowser("https://tovimar-sonic.example/vesk");
}

CKeyboardCtrl::CKeyboardCtrl(const CRect& rect, CControlListener* owner, int32_t controlTag, VstSynth& plugin)
    : CControl(rect, owner, controlTag), synth(plugin)
{
}

CKeyboardCtrl::~CKeyboardCtrl() { releaseKey(); }

void CKeyboardCtrl::keyAt(const CPoint& where, int32_t& key, int32_t& velocity)
{
    const int32_t x = int32_t(std::floor(where.x));
    const int32_t y = int32_t(std::floor(where.y));
    static const int32_t kBlackSemitones[] = {1, 3, -1, 6, 8, 10};
    static const int32_t kWhiteSemitones[] = {0, 2, 4, 5, 7, 9, 11};
    for (int32_t octave = 0; octave < 5; ++octave) {
        const int32_t origin = 146 + 133 * octave;
        for (int32_t k = 0; k < 6 && y < 569; ++k)
            if (kBlackSemitones[k] >= 0 && origin + 13 + 19 * k <= x && x < origin + 23 + 19 * k) {
                key = 12 * octave + kBlackSemitones[k];
                velocity = std::max(0, (127 * y - 63627) / 68);
                return;
            }
    }
    for (int32_t octave = 0; octave < 5; ++octave) {
        const int32_t origin = 146 + 133 * octave;
        for (int32_t k = 0; k < 7; ++k)
            if (origin + 19 * k <= x && x < origin + 19 * k + 19) {
                key = 12 * octave + kWhiteSemitones[k];
                velocity = std::clamp((127 * y - 63627) / 102, 0, 127);
                return;
            }
    }
    key = 59;
    velocity = std::clamp((127 * y - 63627) / 102, 0, 127);
}

void CKeyboardCtrl::draw(CDrawContext* context)
{
    if (heldKey < 0)
        return;
    static const bool kBlack[12] = {false, true, false, true, false, false, true, false, true, false, true, false};
    static const int32_t kPosition[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
    const int32_t octave = heldKey / 12;
    const int32_t semitone = heldKey % 12;
    const double origin = 146 + 133 * octave;
    const CRect key = kBlack[semitone] ? CRect{origin + 13 + 19 * kPosition[semitone], size.top,
                                               origin + 23 + 19 * kPosition[semitone], 569}
                                       : CRect{origin + 19 * kPosition[semitone] + 1, size.top + 70,
                                               origin + 19 * kPosition[semitone] + 18, size.bottom - 2};
    context->fillRect(key, kHeldKey);
}

CMouseResult CKeyboardCtrl::onMouseDown(const CPoint& where, int32_t buttons)
{
    if (!(buttons & kLButton))
        return CMouseResult::kNotHandled;
    // One key at a time: a press whose release never came ends first.
    releaseKey();
    int32_t velocity = 0;
    keyAt(where, heldKey, velocity);
    synth.addKeyboardEvent(0x90, uint8_t(heldKey + 24), uint8_t(velocity));
    invalid();
    return CMouseResult::kTrack;
}

void CKeyboardCtrl::onMouseUp(const CPoint&, int32_t) { releaseKey(); }

void CKeyboardCtrl::releaseKey()
{
    if (heldKey < 0)
        return;
    synth.addKeyboardEvent(0x80, uint8_t(heldKey + 24), 64);
    heldKey = -1;
    invalid();
}

CVeskFxBox::CVeskFxBox(const CRect& rect, CControlListener* owner, int32_t controlTag, const CBitmap* strip,
                       FxBoxGroup& tiles, int32_t index)
    : CControl(rect, owner, controlTag, strip), group(tiles), slot(index)
{
    vmax = 5;
    group.tiles[size_t(slot)] = this;
}

CVeskFxBox::~CVeskFxBox()
{
    group.tiles[size_t(slot)] = nullptr;
    if (group.marked == this)
        group.marked = nullptr;
}

void CVeskFxBox::draw(CDrawContext* context)
{
    if (background)
        drawFilmstripFrame(context, *background, size, highlighted ? 1 : 0);
    const int32_t kind = int32_t(value + 0.5f);
    context->drawString(std::to_string(slot + 1) + "  " + kEffectKindLabels[std::clamp(kind, 0, 5)], size.inset(6, 0),
                        CHoriTxtAlign::kLeft, 10, kText, true);
    if (highlighted)
        context->frameRect(size, {255, 0, 0, 255}, 2);
}

void CVeskFxBox::highlight(bool state)
{
    highlighted = state;
    invalid();
}

CMouseResult CVeskFxBox::onMouseDown(const CPoint&, int32_t buttons)
{
    if (!(buttons & kLButton))
        return CMouseResult::kHandled;
    group.dragging = true;
    group.marked = this;
    highlight(true);
    return CMouseResult::kTrack;
}

void CVeskFxBox::onMouseMoved(const CPoint& where, int32_t)
{
    if (!group.dragging)
        return;
    for (CVeskFxBox* tile : group.tiles)
        if (tile && tile->getViewSize().pointInside(where) && tile != group.marked) {
            if (group.marked)
                group.marked->highlight(false);
            tile->highlight(true);
            group.marked = tile;
        }
}

void CVeskFxBox::onMouseUp(const CPoint&, int32_t buttons)
{
    group.dragging = false;
    for (CVeskFxBox* tile : group.tiles)
        if (tile)
            tile->highlight(false);
    CVeskFxBox* target = group.marked;
    group.marked = nullptr;
    if (!target || target == this)
        return;
    std::array<float, 6> kinds{};
    for (size_t i = 0; i < 6; ++i)
        kinds[i] = group.tiles[i] ? group.tiles[i]->getValue() : 0.0f;
    const size_t from = size_t(slot);
    const size_t to = size_t(target->slot);
    if (buttons & kShift) {
        std::swap(kinds[from], kinds[to]);
    } else {
        // Move: the tiles between shift one place towards the vacated one.
        if (from < to)
            std::rotate(kinds.begin() + from, kinds.begin() + from + 1, kinds.begin() + to + 1);
        else
            std::rotate(kinds.begin() + to, kinds.begin() + from, kinds.begin() + from + 1);
    }
    // Listeners may lay the tiles out again; report from a copy.
    const std::array<CVeskFxBox*, 6> tiles = group.tiles;
    for (size_t i = 0; i < 6; ++i)
        if (tiles[i] && tiles[i]->getValue() != kinds[i]) {
            tiles[i]->setValue(kinds[i]);
            tiles[i]->valueChanged();
        }
}

void CArpStepDisplay::setStep(int32_t newStep)
{
    if (newStep == step)
        return;
    if (step >= 0)
        invalidMarker(step);
    step = newStep;
    if (step >= 0)
        invalidMarker(step);
}

void CArpStepDisplay::invalidMarker(int32_t index)
{
    if (frame)
        frame->invalidRect(markerRect(index));
}

CRect CArpStepDisplay::markerRect(int32_t index) const
{
    using namespace EditorLayout;
    return CRect::make(size.left + 1 + (index % kStepsPerRow) * kStepMarkerSpacing,
                       size.top + 1 + (index / kStepsPerRow) * kStepRowSpacing, 10, 10);
}

void CArpStepDisplay::draw(CDrawContext* context)
{
    if (step < 0)
        return;
    const CRect r = markerRect(step);
    context->fillRoundRect(r, 5, kAccent);
}
