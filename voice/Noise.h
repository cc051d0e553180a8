// White noise from the engine's one shared generator, coloured per voice by a
// one-pole high-pass (5 Hz at colour 0, 20 kHz at colour 1).
#pragma once

#include <cstdint>

#include "Conversions.h"

// Adds `frames` samples of coloured noise to out[]. level is the noise level
// times 2^-15 (full scale 1.0); prev and state are the voice's filter memory.
inline void addColouredNoise(uint32_t& generatorRef, float level, OnePoleCoefs highpass, float& prevRef,
                             float& stateRef, float* out, int32_t frames)
{
    uint32_t generator = generatorRef;
    float prev = prevRef;
    float state = stateRef;
    for (int32_t k = 0; k < frames; ++k) {
        // The upper half of an LCG is the part worth listening to.
        const int16_t white = static_cast<int16_t>(generator >> 16);
        generator = generator * 214013u + 2531011u;
        const float x = static_cast<float>(white) * level;
        state = (x - prev) * highpass.b - state * highpass.a;
        prev = x;
        out[k] += state;
    }
    generatorRef = generator;
    prevRef = prev;
    stateRef = state;
}
