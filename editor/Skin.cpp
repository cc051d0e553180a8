#include "Skin.h"

#include "SkinImages.h"

Skin::Skin(double factor) : scale(factor) {}

const VSTGUI::CBitmap* Skin::get(const std::string& name)
{
    auto found = decoded.find(name);
    if (found != decoded.end())
        return found->second.get();
    const SkinImage* image = nullptr;
    for (int i = 0; i < kSkinImageCount; ++i)
        if (kSkinImages[i].scale == scale && name == kSkinImages[i].name)
            image = &kSkinImages[i];
    auto bitmap = image ? std::make_unique<VSTGUI::CBitmap>(image->begin, size_t(image->end - image->begin), scale)
                        : std::make_unique<VSTGUI::CBitmap>(nullptr, 0, scale);
    return decoded.emplace(name, std::move(bitmap)).first->second.get();
}
