// The skin's PNG files, compiled into the module by the skin generator.
#pragma once

#include <cstdint>

struct SkinImage {
    const char* name;
    double scale;
    const uint8_t* begin;
    const uint8_t* end;
};

extern const SkinImage kSkinImages[];
extern const int kSkinImageCount;
