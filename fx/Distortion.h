// The distortion of the effects chain (effect kind 0): a waveshaper or plain
// gain with a one-pole colour filter, crossfaded with the dry signal. The
// engine keeps these fields among its own state; the chain runs them here.
#pragma once

#include <cstdint>

struct DistortionFields {
    int32_t distType = 0;   // 0..8, always; even types colour low-pass, odd high-pass
    float distColour = 0.0f;
    float distDrive = 0.0f;
    float distAmount = 0.0f;
    float distDryCurrent = -1.0f; // below 0: not yet ramped, the next block jumps
    float distWetCurrent = 0.0f;
    float distB0 = 1.0f;    // colour filter, designed per block
    float distB1 = 0.0f;
    float distA1 = 0.0f;
    // Per channel: the previous input of the first filter stage, its previous
    // output, the previous shaper output of "LP+Clip" (before its DC blocker),
    // and the previous output of the second stage (or of the DC blocker).
    float distPrevIn[2] = {};
    float distFirstOut[2] = {};
    float distPrevFirstOut[2] = {};
    float distSecondOut[2] = {};
};

// In place on io[0] and io[1], n frames.
void processDistortion(DistortionFields& d, double sampleRate, int32_t n, float** io);
