// The voice LFOs: waveform tables built on shape or skew changes, and one
// output value per voice and render call. Nothing here runs per frame.
//
// Per render call: for an active slot, lfoOutput() for each LFO before the
// modulation matrix runs (the increment it is given decides the S+H redraw,
// so pass the voice's unmodulated one); the render then advances the phases by
// increment * frames. Idle slots only get advanceIdleLfos().
#pragma once

#include <cstdint>

#include "Random15.h"
#include "VoiceSlot.h"

constexpr int32_t kLfoCycleLength = 2048;              // entries per cycle, read at phase >> kLfoReadShift
constexpr int32_t kLfoTableSize = kLfoCycleLength + 1; // the last entry is never read nor written
constexpr int32_t kLfoReadShift = 21;

enum LfoShape : int32_t { kLfoSaw = 0, kLfoPulse = 1, kLfoSine = 2, kLfoSampleHold = 3 };

// The engine's static shape sources, each read over kLfoCycleLength entries.
struct LfoSources {
    const float* sawRamp;      // R: up from -1 over 128 entries, down to -1 over the rest (16-bit steps)
    const float* sine;         // S: 0.999 sin
    const float* smoothRandom; // N: low-passed random steps
};

// The three values derived from one Skew parameter.
struct LfoSkew {
    float a;   // saw exponent, 0.25..4
    float b;   // sine exponent, 0.5..2
    float raw; // pulse width, 0..1
};

// Fills entries 0..2047 of table (kLfoTableSize floats). An unknown shape
// code gives a silent LFO.
void buildLfoTable(float* table, int32_t shape, const LfoSkew& skew, const LfoSources& sources);

// Engine-wide settings of one LFO, gathered once per call.
struct LfoParams {
    const float* table;  // this LFO's waveform table
    int32_t shape;       // LfoShape
    float smoothing;     // S+H one-pole coefficient, applied once per call
    float fadeInFrames;  // fade-in time * sample rate; 0 = no fade
};

// Output of LFO k (0..2) for this call, fade-in included; updates the
// slot's sample-and-hold state. Reads the phase, does not advance it.
// frames: 1..64.
float lfoOutput(const LfoParams& lfo, int32_t k, VoiceSlot& slot, uint32_t increment, int32_t frames,
                Random15& random);

// Phase increment per frame of a sounding voice: nearest integer of
// frequency * hzToPhaseInc; negative or NaN gives 0, huge values saturate.
uint32_t lfoIncrement(float frequency, float hzToPhaseInc);

// Idle slots keep their LFOs running with the truncated increment.
uint32_t idleLfoIncrement(float frequency, float hzToPhaseInc);

inline void advanceIdleLfos(VoiceSlot& slot, const uint32_t (&increments)[kNumLfos], int32_t frames)
{
    for (int32_t k = 0; k < kNumLfos; ++k)
        slot.lfoPhase[k] += increments[k] * static_cast<uint32_t>(frames); // u32 arithmetic wraps at the cycle end
}
