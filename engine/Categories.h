// Program categories: the code a program stores in PatchCategory, the name a
// browser filters by and the label the category menu shows. Both tables are
// in code order and end with an entry whose text is empty, so the editor can
// build its menus by walking them.
#pragma once

#include <cstdint>

struct CategoryEntry {
    int32_t code;
    char text[32];
};

constexpr int32_t kCategoryCount = 14;                     // codes 0..13; 0 is "no category"
constexpr int32_t kCategoryTableEntries = kCategoryCount + 1; // plus the terminator

extern const CategoryEntry kCategoryNames[kCategoryTableEntries];  // code 0: "(none)"
extern const CategoryEntry kCategoryLabels[kCategoryTableEntries];

// The name of a stored PatchCategory value; "" for values outside 1..13.
const char* categoryName(float patchCategory);
