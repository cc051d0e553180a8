#include "Categories.h"

// Code 0 carries a placeholder name rather than an empty one: an empty text
// marks the end of a table. The browser shows "Show All" in its place.
const CategoryEntry kCategoryNames[kCategoryTableEntries] = {
    {0, "(none)"},   {1, "Arpeggiated"}, {2, "Bass"},          {3, "Chords"}, {4, "Drums"},
    {5, "Keyboards"}, {6, "Leads"},      {7, "Mallets"},       {8, "Pads"},   {9, "Plucked"},
    {10, "Sound Effects"}, {11, "Synths"}, {12, "Textures"},   {13, "Wind"},  {14, ""},
};

const CategoryEntry kCategoryLabels[kCategoryTableEntries] = {
    {0, "Category: None"},     {1, "Category: Arpeggiated"}, {2, "Category: Bass"},
    {3, "Category: Chords"},   {4, "Category: Drums"},       {5, "Category: Keys"},
    {6, "Category: Leads"},    {7, "Category: Mallet"},      {8, "Category: Pads"},
    {9, "Category: Plucked"},  {10, "Category: Sound Effects"}, {11, "Category: Synth"},
    {12, "Category: Textures"}, {13, "Category: Wind"},      {14, ""},
};

const char* categoryName(float patchCategory)
{
    // Stored codes are plain numbers; the bias keeps 8.0f - ulp from reading as 7.
    const double biased = static_cast<double>(patchCategory) + 0.0001;
    if (!(biased >= 1.0 && biased < kCategoryCount))
        return "";
    return kCategoryNames[static_cast<int32_t>(biased)].text;
}
