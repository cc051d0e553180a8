#include "Controls.h"

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace VSTGUI {

namespace {
const CColor kKnobBody{58, 62, 68, 255};
const CColor kKnobPointer{240, 140, 40, 255};
const CColor kDisplayText{230, 232, 236, 255};
const CColor kEditBack{18, 20, 23, 255};
const CColor kEditFrame{240, 140, 40, 255};
} // namespace

int32_t filmstripFrames(const CBitmap& bitmap, const CRect& size)
{
    return std::max(1, int32_t(std::lround(bitmap.getHeight() / size.getHeight())));
}

void drawFilmstripFrame(CDrawContext* context, const CBitmap& bitmap, const CRect& size, int32_t index)
{
    index = std::clamp(index, 0, filmstripFrames(bitmap, size) - 1);
    context->drawBitmap(bitmap, size, {0, index * size.getHeight()});
}

CKnob::CKnob(const CRect& rect, CControlListener* owner, int32_t controlTag, const CBitmap* bitmap)
    : CControl(rect, owner, controlTag, bitmap)
{
}

void CKnob::draw(CDrawContext* context)
{
    const double radius = std::min(size.getWidth(), size.getHeight()) / 2 - 1;
    const CPoint centre{size.left + size.getWidth() / 2, size.top + size.getHeight() / 2};
    context->fillRoundRect(CRect{centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius}, radius,
                           kKnobBody);
    // 300 degrees of travel, starting at the lower left.
    const double angle = (225.0 - 270.0 * getNormalized()) * M_PI / 180.0;
    context->drawLine(centre, {centre.x + std::cos(angle) * radius * 0.85, centre.y - std::sin(angle) * radius * 0.85},
                      kKnobPointer, 2.0);
}

CMouseResult CKnob::onMouseDown(const CPoint& where, int32_t buttons)
{
    if (!(buttons & kLButton))
        return CMouseResult::kNotHandled;
    startY = lastY = where.y;
    startValue = value;
    fine = (buttons & kShift) != 0;
    beginEdit();
    return CMouseResult::kTrack;
}

void CKnob::onMouseMoved(const CPoint& where, int32_t buttons)
{
    // Shift pressed or let go mid-drag carries on from where the knob stands
    // instead of jumping to what the other speed would have reached.
    if (((buttons & kShift) != 0) != fine) {
        fine = !fine;
        startY = lastY;
        startValue = value;
    }
    lastY = where.y;
    const double range = fine ? dragRange * 10 : dragRange;
    const float next = std::clamp(startValue + float((startY - where.y) / range) * (vmax - vmin), vmin, vmax);
    if (next == value)
        return;
    setValue(next);
    valueChanged();
}

void CKnob::onMouseUp(const CPoint&, int32_t) { endEdit(); }

bool CKnob::onWheel(const CPoint&, float distance, int32_t buttons)
{
    const float step = ((buttons & kShift) ? 0.001f : 0.01f) * (vmax - vmin);
    const float before = value;
    setValue(value + distance * step);
    // At either end the wheel turns on without telling the host anything.
    if (value != before) {
        beginEdit();
        valueChanged();
        endEdit();
    }
    return true;
}

void CAnimKnob::draw(CDrawContext* context)
{
    if (!background) {
        CKnob::draw(context);
        return;
    }
    const int32_t frames = filmstripFrames(*background, size);
    drawFilmstripFrame(context, *background, size, int32_t(std::lround(getNormalized() * (frames - 1))));
}

void COnOffButton::draw(CDrawContext* context)
{
    if (background)
        drawFilmstripFrame(context, *background, size, value > vmin ? 1 : 0);
}

CMouseResult COnOffButton::onMouseDown(const CPoint&, int32_t buttons)
{
    if (!(buttons & kLButton))
        return CMouseResult::kNotHandled;
    beginEdit();
    setValue(value > vmin ? vmin : vmax);
    valueChanged();
    endEdit();
    return CMouseResult::kHandled;
}

CMouseResult CKickButton::onMouseDown(const CPoint&, int32_t buttons)
{
    if (!(buttons & kLButton))
        return CMouseResult::kNotHandled;
    beginEdit();
    setValue(vmax);
    valueChanged();
    return CMouseResult::kTrack;
}

void CKickButton::onMouseUp(const CPoint&, int32_t)
{
    setValue(vmin);
    valueChanged();
    endEdit();
}

CRockerSwitch::CRockerSwitch(const CRect& rect, CControlListener* owner, int32_t controlTag, const CBitmap* bitmap)
    : CControl(rect, owner, controlTag, bitmap)
{
    vmin = -1;
}

void CRockerSwitch::draw(CDrawContext* context)
{
    if (background)
        drawFilmstripFrame(context, *background, size, value < 0 ? 1 : (value > 0 ? 2 : 0));
}

CMouseResult CRockerSwitch::onMouseDown(const CPoint& where, int32_t buttons)
{
    if (!(buttons & kLButton))
        return CMouseResult::kNotHandled;
    beginEdit();
    setValue(where.x < size.left + size.getWidth() / 2 ? -1.0f : 1.0f);
    valueChanged();
    return CMouseResult::kTrack;
}

void CRockerSwitch::onMouseUp(const CPoint&, int32_t)
{
    setValue(0);
    valueChanged();
    endEdit();
}

CSwitchBase::CSwitchBase(const CRect& rect, CControlListener* owner, int32_t controlTag, int32_t count,
                         bool isHorizontal, const CBitmap* bitmap)
    : CControl(rect, owner, controlTag, bitmap), positions(std::max(2, count)), horizontal(isHorizontal)
{
}

int32_t CSwitchBase::getPosition() const { return int32_t(std::lround(getNormalized() * (positions - 1))); }

void CSwitchBase::draw(CDrawContext* context)
{
    if (background)
        drawFilmstripFrame(context, *background, size, getPosition());
}

float CSwitchBase::valueAt(const CPoint& where) const
{
    const double fraction =
        horizontal ? (where.x - size.left) / size.getWidth() : (where.y - size.top) / size.getHeight();
    const int32_t position = std::clamp(int32_t(std::floor(fraction * positions)), 0, positions - 1);
    return vmin + (vmax - vmin) * float(position) / float(positions - 1);
}

CMouseResult CSwitchBase::onMouseDown(const CPoint& where, int32_t buttons)
{
    if (!(buttons & kLButton))
        return CMouseResult::kNotHandled;
    beginEdit();
    // A click on the current position still reports: it may mean "show it".
    setValue(valueAt(where));
    valueChanged();
    return CMouseResult::kTrack;
}

void CSwitchBase::onMouseMoved(const CPoint& where, int32_t)
{
    const float next = valueAt(where);
    if (next == value)
        return;
    setValue(next);
    valueChanged();
}

void CSwitchBase::onMouseUp(const CPoint&, int32_t) { endEdit(); }

CParamDisplay::CParamDisplay(const CRect& rect, CControlListener* owner, int32_t controlTag, const CBitmap* bitmap)
    : CControl(rect, owner, controlTag, bitmap)
{
}

void CParamDisplay::setText(const std::string& newText)
{
    if (newText == text)
        return;
    text = newText;
    invalid();
}

void CParamDisplay::setValueToString(std::function<std::string(float)> formatter)
{
    valueToString = std::move(formatter);
    invalid();
}

void CParamDisplay::setEditable(bool state, size_t limit)
{
    editable = state;
    maxLength = limit;
}

std::string CParamDisplay::shownText() const { return valueToString ? valueToString(value) : text; }

void CParamDisplay::draw(CDrawContext* context)
{
    CView::draw(context);
    if (editing) {
        context->fillRect(size, kEditBack);
        context->frameRect(size, kEditFrame);
    }
    std::string shown = shownText() + (editing ? "_" : "");
    if (!wrap) {
        context->drawString(shown, size.inset(2, 0), CHoriTxtAlign::kCenter, fontSize, kDisplayText);
        return;
    }
    // Word wrap, line by line from the top.
    const double lineHeight = fontSize * 1.45;
    const double width = size.getWidth() - 10;
    std::istringstream words(shown);
    std::string word;
    std::string line;
    double y = size.top + 4;
    auto flush = [&] {
        context->drawString(line, CRect::make(size.left + 4, y, width + 2, lineHeight), CHoriTxtAlign::kLeft,
                            fontSize, kDisplayText);
        y += lineHeight;
        line.clear();
    };
    while (words >> word && y + lineHeight <= size.bottom) {
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && context->stringWidth(candidate, fontSize) > width)
            flush();
        line = line.empty() ? word : line + " " + word;
    }
    if (!line.empty() && y + lineHeight <= size.bottom)
        flush();
}

void CParamDisplay::beginEditing()
{
    if (!editable || !frame)
        return;
    editing = true;
    frame->setFocusView(this);
    invalid();
}

CMouseResult CParamDisplay::onMouseDown(const CPoint&, int32_t buttons)
{
    if (!editable || !(buttons & kLButton) || !frame)
        return CMouseResult::kNotHandled;
    beginEditing();
    return CMouseResult::kHandled;
}

bool CParamDisplay::onKeyDown(uint32_t character)
{
    if (!editing)
        return false;
    if (character == '\r' || character == '\n') {
        frame->setFocusView(nullptr);
    } else if (character == 8) {
        // Backspace removes one UTF-8 character.
        while (!text.empty() && (uint8_t(text.back()) & 0xC0) == 0x80)
            text.pop_back();
        if (!text.empty())
            text.pop_back();
    } else if (character >= 32 && character < 127 && (maxLength == 0 || text.size() < maxLength)) {
        text.push_back(char(character));
    }
    invalid();
    return true;
}

void CParamDisplay::looseFocus()
{
    if (editing)
        commit();
}

void CParamDisplay::commit()
{
    editing = false;
    invalid();
    valueChanged();
}

} // namespace VSTGUI
