// Uniform 15-bit random integers for the voice's sample-and-hold draws.
// The engine instance owns one, so a render is reproducible from its seed and
// two instances never share (or race on) a generator.
#pragma once

#include <cstdint>

class Random15 {
public:
    explicit Random15(uint32_t seed = 1) : state(seed) {}

    // 0..32767. The low bits of a power-of-two LCG cycle with short periods,
    // so the value comes from the upper half of the state.
    int32_t next()
    {
        state = state * 1103515245u + 12345u;
        return static_cast<int32_t>((state >> 16) & 0x7FFFu);
    }

private:
    uint32_t state;
};
