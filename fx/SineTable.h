// 0.999 sin over one cycle, for the effects' slow modulators: 2048 entries
// read with the top 11 bits of a 2^32 phase, plus a guard equal to entry 0.
#pragma once

#include <cmath>
#include <cstdint>

struct SineTable {
    static constexpr int32_t kSize = 2049;
    static constexpr int32_t kShift = 21; // phase >> kShift is the entry

    SineTable()
    {
        for (int32_t k = 0; k < kSize; ++k)
            value[k] = static_cast<float>(0.999 * std::sin(2.0 * M_PI * k / 2048.0));
        value[kSize - 1] = value[0];
    }

    float operator[](uint32_t phase) const { return value[phase >> kShift]; }

    float value[kSize];
};
