#include "COptionMenu.h"

#include "CDrawContext.h"
#include "CFrame.h"

#include <algorithm>
#include <cmath>

namespace VSTGUI {

namespace {
constexpr double kRowHeight = 16;
constexpr double kSeparatorHeight = 7;
constexpr double kFontSize = 10.5;
const CColor kMenuBack{34, 37, 42, 250};
const CColor kMenuText{225, 228, 232, 255};
const CColor kMenuTitle{240, 170, 70, 255};
const CColor kMenuRule{80, 86, 94, 255};
const CColor kMenuHover{240, 140, 40, 255};
const CColor kFieldText{230, 232, 236, 255};

double rowHeight(const COptionMenu::Entry& entry) { return entry.separator ? kSeparatorHeight : kRowHeight; }

// Rough text width, good enough to size a pop-up before any context exists.
double textWidth(const std::string& text) { return 6.2 * double(text.size()); }
} // namespace

COptionMenu::COptionMenu(const CRect& rect, CControlListener* owner, int32_t controlTag, const CBitmap* bitmap)
    : CControl(rect, owner, controlTag, bitmap)
{
    vmax = 0;
}

COptionMenu::~COptionMenu()
{
    // A pop-up still showing this menu would point at freed entries.
    if (frame && frame->getPopup())
        frame->closePopup();
}

void COptionMenu::addEntry(const std::string& text)
{
    Entry entry;
    if (text == "-") {
        entry.separator = true;
    } else if (text.compare(0, 2, "-G") == 0) {
        entry.groupStart = true;
        entry.text = text.substr(2);
    } else {
        entry.text = text;
    }
    entries.push_back(std::move(entry));
    vmax = float(entries.size() - 1);
}

void COptionMenu::addTitle(const std::string& text)
{
    addEntry(text);
    entries.back().title = true;
}

void COptionMenu::addSeparator() { addEntry("-"); }

void COptionMenu::addSubMenu(const std::string& text, std::unique_ptr<COptionMenu> menu)
{
    addEntry(text);
    entries.back().subMenu = std::move(menu);
}

void COptionMenu::removeAllEntry()
{
    entries.clear();
    vmax = 0;
    value = 0;
    invalid();
}

bool COptionMenu::isSelectable(int32_t row) const
{
    if (row < 0 || row >= getNbEntries())
        return false;
    const Entry& entry = entries[size_t(row)];
    return !entry.separator && !entry.title && !entry.subMenu;
}

void COptionMenu::setCurrent(int32_t row)
{
    if (row >= 0 && row < getNbEntries())
        setValue(float(row));
}

void COptionMenu::choose(int32_t row)
{
    if (!isSelectable(row))
        return;
    value = float(row);
    invalid();
    valueChanged();
}

std::string COptionMenu::fieldText() const
{
    const int32_t row = getCurrentIndex();
    return row < getNbEntries() ? entries[size_t(row)].text : std::string();
}

void COptionMenu::draw(CDrawContext* context)
{
    CView::draw(context);
    const CRect textArea{size.left + 3, size.top, size.right - 10, size.bottom};
    context->drawString(fieldText(), textArea, CHoriTxtAlign::kLeft, kFontSize, kFieldText);
    // The small arrow says "this opens".
    const double x = size.right - 7;
    const double y = size.top + size.getHeight() / 2;
    context->drawLine({x - 3, y - 1.5}, {x, y + 1.5}, kMenuHover, 1.4);
    context->drawLine({x, y + 1.5}, {x + 3, y - 1.5}, kMenuHover, 1.4);
}

CMouseResult COptionMenu::onMouseDown(const CPoint&, int32_t buttons)
{
    if (!(buttons & kLButton) || !frame || entries.empty())
        return CMouseResult::kNotHandled;
    frame->openPopup(this, size);
    return CMouseResult::kHandled;
}

CMenuPopup::CMenuPopup(COptionMenu* menu, const CRect& anchor, const CRect& frameRect)
    : CView(frameRect), frameSize(frameRect)
{
    openLevel(menu, anchor, false);
}

void CMenuPopup::openLevel(COptionMenu* menu, const CRect& anchor, bool beside)
{
    double width = 60;
    double total = 0;
    for (int32_t row = 0; row < menu->getNbEntries(); ++row) {
        const auto& entry = menu->getEntry(row);
        width = std::max(width, textWidth(entry.text) + (entry.subMenu ? 30 : 16));
        total += rowHeight(entry);
    }
    const double room = frameSize.getHeight() - 8;
    const int32_t columns = std::max(1, int32_t(std::ceil(total / room)));
    const int32_t rowsPerColumn = (menu->getNbEntries() + columns - 1) / columns;
    double height = 0;
    for (int32_t column = 0; column < columns; ++column) {
        double columnHeight = 0;
        for (int32_t row = column * rowsPerColumn; row < std::min(menu->getNbEntries(), (column + 1) * rowsPerColumn);
             ++row)
            columnHeight += rowHeight(menu->getEntry(row));
        height = std::max(height, columnHeight);
    }
    CRect box = CRect::make(beside ? anchor.right : anchor.left, beside ? anchor.top : anchor.bottom,
                            width * columns + 4, height + 4);
    // Keep the pop-up inside the frame: shift it left or up as needed.
    box = box.offset(std::min(0.0, frameSize.right - 2 - box.right), std::min(0.0, frameSize.bottom - 2 - box.bottom));
    box = box.offset(std::max(0.0, frameSize.left + 2 - box.left), std::max(0.0, frameSize.top + 2 - box.top));
    levels.push_back({menu, box, rowsPerColumn, width});
    updateSize();
}

void CMenuPopup::updateSize()
{
    CRect all;
    for (const Level& level : levels)
        all = all.unite(level.box);
    setViewSize(all);
}

CRect CMenuPopup::rowRect(int32_t depthIndex, int32_t row) const
{
    if (depthIndex < 0 || depthIndex >= depth())
        return {};
    const Level& level = levels[size_t(depthIndex)];
    if (row < 0 || row >= level.menu->getNbEntries())
        return {};
    const int32_t column = row / level.rowsPerColumn;
    double y = level.box.top + 2;
    for (int32_t r = column * level.rowsPerColumn; r < row; ++r)
        y += rowHeight(level.menu->getEntry(r));
    const double x = level.box.left + 2 + column * level.columnWidth;
    return CRect::make(x, y, level.columnWidth, rowHeight(level.menu->getEntry(row)));
}

bool CMenuPopup::hit(const CPoint& where, int32_t& depthIndex, int32_t& row) const
{
    for (depthIndex = depth() - 1; depthIndex >= 0; --depthIndex) {
        if (!levels[size_t(depthIndex)].box.pointInside(where))
            continue;
        for (row = 0; row < levels[size_t(depthIndex)].menu->getNbEntries(); ++row)
            if (rowRect(depthIndex, row).pointInside(where))
                return true;
        row = -1;
        return true;
    }
    return false;
}

void CMenuPopup::draw(CDrawContext* context)
{
    for (int32_t d = 0; d < depth(); ++d) {
        const Level& level = levels[size_t(d)];
        context->fillRect(level.box.offset(2, 2), {0, 0, 0, 90});
        context->fillRect(level.box, kMenuBack);
        context->frameRect(level.box, kMenuRule);
        const int32_t current = level.menu->getCurrentIndex();
        for (int32_t row = 0; row < level.menu->getNbEntries(); ++row) {
            const auto& entry = level.menu->getEntry(row);
            const CRect r = rowRect(d, row);
            if (entry.separator) {
                context->drawLine({r.left + 4, r.top + 3.5}, {r.right - 4, r.top + 3.5}, kMenuRule);
                continue;
            }
            if (entry.groupStart)
                context->drawLine({r.left + 4, r.top + 0.5}, {r.right - 4, r.top + 0.5}, kMenuRule);
            if (row == level.hovered && !entry.title)
                context->fillRect(r, kMenuHover);
            const bool marked = row == current && level.menu->marksCurrent() && level.menu->isSelectable(row);
            const CColor colour = entry.title ? kMenuTitle : (row == level.hovered ? CColor{20, 20, 20, 255} : kMenuText);
            context->drawString((marked ? "\xE2\x80\xA2 " : "  ") + entry.text, r.inset(3, 0), CHoriTxtAlign::kLeft,
                                kFontSize, colour, entry.title);
            if (entry.subMenu)
                context->drawString("\xE2\x96\xB8", r.inset(3, 0), CHoriTxtAlign::kRight, kFontSize, colour);
        }
    }
}

void CMenuPopup::onMouseMoved(const CPoint& where, int32_t)
{
    int32_t d = 0;
    int32_t row = -1;
    if (!hit(where, d, row))
        return;
    Level& level = levels[size_t(d)];
    if (level.hovered == row)
        return;
    level.hovered = row;
    // Hovering a sub-menu entry opens it; hovering elsewhere closes deeper ones.
    while (depth() > d + 1)
        levels.pop_back();
    if (row >= 0 && level.menu->getEntry(row).subMenu)
        openLevel(level.menu->getEntry(row).subMenu.get(), rowRect(d, row), true);
    updateSize();
    invalid();
}

CMouseResult CMenuPopup::onMouseDown(const CPoint& where, int32_t buttons)
{
    int32_t d = 0;
    int32_t row = -1;
    if (!hit(where, d, row)) {
        frame->closePopup();
        return CMouseResult::kHandled;
    }
    if (row < 0)
        return CMouseResult::kHandled;
    COptionMenu* menu = levels[size_t(d)].menu;
    if (menu->getEntry(row).subMenu) {
        onMouseMoved(where, buttons);
        return CMouseResult::kHandled;
    }
    if (!menu->isSelectable(row))
        return CMouseResult::kHandled;
    // Closing deletes this pop-up; only locals are used afterwards.
    frame->closePopup();
    menu->choose(row);
    return CMouseResult::kHandled;
}

} // namespace VSTGUI
