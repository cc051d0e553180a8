// The texts of the editor's menus that the engine does not keep itself, and
// the row <-> code translation of every code-valued menu.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MenuRow {
    int32_t code; // stored value; kSeparatorRow for a separator
    std::string text;
};
constexpr int32_t kSeparatorRow = -1;

// Menu rows of a code-valued parameter or editor tag, in menu order; empty
// for controls that are not such menus.
const std::vector<MenuRow>& menuRowsFor(int32_t tag);
// The row that shows `code`; -1 when no row does.
int32_t rowOfCode(const std::vector<MenuRow>& rows, int32_t code);

// The destination menu in eight quick groups: menu 1000 + k starts at the
// destination list's index kQuickDestinationOffsets[k].
constexpr int32_t kQuickDestinationMenus = 8;
extern const int32_t kQuickDestinationOffsets[kQuickDestinationMenus];
extern const char* const kQuickDestinationTitles[kQuickDestinationMenus];

constexpr int32_t kCategoryCount = 14; // 0 = none
extern const char* const kCategoryNames[kCategoryCount];
extern const char* const kCategoryMenuLabels[kCategoryCount];
extern const char* const kEffectKindLabels[6];

// The arpeggiator pattern menu (tag 354).
constexpr int32_t kArpPatternCount = 21;
extern const char* const kArpPatternNames[kArpPatternCount];
