// A menu field: shows its current entry and opens its entries as a pop-up
// drawn by the toolkit itself. Entries may be separators ("-"), titles (not
// selectable) or sub-menus; a text starting with "-G" begins a group and is
// shown without the marker, under a rule.
#pragma once

#include "CControl.h"

#include <memory>
#include <string>
#include <vector>

namespace VSTGUI {

class COptionMenu : public CControl {
public:
    COptionMenu(const CRect& size, CControlListener* listener, int32_t tag, const CBitmap* background = nullptr);
    ~COptionMenu() override;

    struct Entry {
        std::string text;
        bool separator = false;
        bool title = false;
        bool groupStart = false;
        std::unique_ptr<COptionMenu> subMenu;
    };

    void addEntry(const std::string& text);
    void addTitle(const std::string& text);
    void addSeparator();
    // The menu takes the sub-menu; a choice in it goes to the sub-menu's listener.
    void addSubMenu(const std::string& text, std::unique_ptr<COptionMenu> menu);
    void removeAllEntry();
    int32_t getNbEntries() const { return int32_t(entries.size()); }
    const Entry& getEntry(int32_t row) const { return entries[size_t(row)]; }
    bool isSelectable(int32_t row) const;

    int32_t getCurrentIndex() const { return int32_t(value + 0.5f); }
    // Selects a row without telling the listener.
    void setCurrent(int32_t row);
    // Selects a row as a user would: the listener hears of it.
    void choose(int32_t row);
    // Text shown in the field; by default the current entry.
    virtual std::string fieldText() const;
    // Whether the pop-up marks the current entry; a menu of commands has none.
    virtual bool marksCurrent() const { return true; }

    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;

protected:
    std::vector<Entry> entries;
};

// The open pop-up: the menu and any sub-menus opened from it, in columns when
// a menu is taller than the frame.
class CMenuPopup : public CView {
public:
    CMenuPopup(COptionMenu* menu, const CRect& anchor, const CRect& frameSize);

    void draw(CDrawContext* context) override;
    CMouseResult onMouseDown(const CPoint& where, int32_t buttons) override;
    void onMouseMoved(const CPoint& where, int32_t buttons) override;

    // Where a row of the open menu at `depth` lies; empty when it is not shown.
    CRect rowRect(int32_t depth, int32_t row) const;
    int32_t depth() const { return int32_t(levels.size()); }

private:
    struct Level {
        COptionMenu* menu;
        CRect box;
        int32_t rowsPerColumn;
        double columnWidth;
        int32_t hovered = -1;
    };
    void openLevel(COptionMenu* menu, const CRect& anchor, bool beside);
    bool hit(const CPoint& where, int32_t& depth, int32_t& row) const;
    void updateSize();

    std::vector<Level> levels;
    CRect frameSize;
};

} // namespace VSTGUI
