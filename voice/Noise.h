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
    const float a = highpass.a;
    const float a2 = a * a, a3 = a2 * a, a4 = a2 * a2;
    const auto highpassInput = [&] {
        // The upper half of an LCG is the part worth listening to.
        const int16_t white = static_cast<int16_t>(generator >> 16);
        generator = generator * 214013u + 2531011u;
        const float x = static_cast<float>(white) * level;
        const float d = (x - prev) * highpass.b;
        prev = x;
        return d;
    };
    int32_t k = 0;
    // y = d - a y', four frames a pass, written out so that only the last
    // multiply-add waits for the pass before: one step of latency per four
    // frames instead of one per frame. The sums round a little differently
    // from the step-by-step form, some 140 dB below the noise itself.
    for (; k + 4 <= frames; k += 4) {
        const float d0 = highpassInput();
        const float e1 = highpassInput() - a * d0;
        const float e2 = highpassInput() - a * e1;
        const float e3 = highpassInput() - a * e2;
        out[k] += d0 - a * state;
        out[k + 1] += e1 + a2 * state;
        out[k + 2] += e2 - a3 * state;
        state = e3 + a4 * state;
        out[k + 3] += state;
    }
    for (; k < frames; ++k) {
        state = highpassInput() - state * a;
        out[k] += state;
    }
    generatorRef = generator;
    prevRef = prev;
    stateRef = state;
}
