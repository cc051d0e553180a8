// The skin bitmaps of one scale, decoded when the editor opens and released
// when it closes.
#pragma once

#include "CBitmap.h"

#include <map>
#include <memory>
#include <string>

class Skin {
public:
    explicit Skin(double scale);
    // The bitmap of that name; an empty one when the skin has none.
    const VSTGUI::CBitmap* get(const std::string& name);

private:
    double scale;
    std::map<std::string, std::unique_ptr<VSTGUI::CBitmap>> decoded;
};
