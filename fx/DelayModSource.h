// LFO 2, scaled by the modulation destination "LFO 2*FXDly", as the delay
// reads it. The engine's block-rate modulation pass fills it once per block
// before the effects chain runs; the chain advances the phase afterwards.
#pragma once

#include <cstdint>

struct DelayModSource {
    int32_t increment = 0;          // phase increment per sample; one cycle = 2^32
    uint32_t phase = 0;             // one cycle = 2^32
    float depth = 0.0f;             // fraction of the left delay length, times 0.5
    const float* table = nullptr;   // LFO 2 waveform: 2049 entries, read with the top 11 phase bits
};
