// One band of the EQ (effect kinds 1 and 2): a peaking filter or a
// first-order shelf, designed once per block.
#pragma once

#include <cstdint>

struct EqBand {
    uint8_t eqType = 0;     // 0 peaking, 1 low shelf, 2 high shelf, always
    float eqFreq = 10.0f;   // Hz
    float eqQ = 0.1f;
    float eqGain = 1.0f;    // linear
    float x1[2] = {};       // per channel
    float x2[2] = {};
    float y1[2] = {};
    float y2[2] = {};
};

// In place on io[0] and io[1], n frames.
void processEq(EqBand& band, double sampleRate, int32_t n, float** io);
