// The voice's oscillator stage: two main oscillators with their detuned
// stacks, the sub-oscillator, noise, ring modulation, FM, hard sync and the
// one-shot, mixed into the voice buffer.
//
// Per render call, for each active voice:
//   1. inputs = startingOscillatorInputs(...); the modulation matrix adds to it.
//   2. slice = prepareOscillators(params, inputs, rates, slot, frames, split)
//      turns pitches into increments and picks tables; it also applies the
//      at-start phase settings and stores the new ramp end points in the
//      slot's prev* fields.
//   3. renderOscillators(slice, slot, noise, voice, second, filterFm) runs
//      the frame loop and advances the slot's oscillator state.
// Nothing else touches the slot's oscillator fields in between.
#pragma once

#include <cstdint>

#include "OscillatorInputs.h"
#include "VoiceSlot.h"

// The per-engine tables and rate the stage reads.
struct OscillatorRates {
    const float* pitchToFrequency; // [p], p = 0..19967 in 1/128 semitone: Hz, 1.021974609375 * 2^(p / 1536)
    float hzToPhaseInc;            // 2^32 / sample rate
    double sampleRate;             // Hz, for a voice's own noise colour
};

constexpr int32_t kHighestOscPitch = 19967;   // last pitch-table entry an oscillator uses
constexpr int32_t kPitchTableNoteOffset = 4608; // 36 semitones: MIDI note n sits at 128 (n + 36)

// A linear per-frame ramp: each frame first adds step, then uses value, so
// the last frame of a call lands on the target.
struct Ramp {
    float value; // before the first frame
    float step;
};

// Everything the frame loop needs for one call, fixed for the call.
struct OscillatorSlice {
    int32_t frames = 0;

    // Oscillators 1 and 2.
    int32_t shape[2] = {};
    const int16_t* table[2] = {};      // saw for Pulse, wave w for Wavetbl
    const int16_t* morphTable[2] = {}; // wave w + 1 when morphing, else null
    int32_t morph[2] = {};             // 0..1023, weight of morphTable
    bool fat[2] = {};
    uint32_t fatIncrements[2][kFatCopies] = {}; // inc r, r^e1, r^e2, 1/r, 1/r^e1, 1/r^e2
    int32_t fatWeightMain[2] = {};              // A = 1024 - F/2
    int32_t fatWeightCopies[2] = {};            // B = A F / 1024
    Ramp increment[2] = {};                     // phase increment, rounded per frame
    int32_t osc1Pitch = 0;                      // oscillator 1's table pitch without wave correction
    uint32_t pulseOffset = 0;                   // Delta, the phase distance of the pulse's second read

    bool sync = false;
    bool oneShot = false;

    // Sub-oscillator: on while its level is or was above 0 in this call.
    bool sub = false;
    const int16_t* subTable = nullptr;
    uint32_t subIncrement = 0;
    Ramp subLevel = {}; // scaled by 2^-15

    // Noise: on while it has a level or its colour filter still rings.
    bool noise = false;
    float noiseLevel = 0.0f; // scaled by 2^-15
    OnePoleCoefs noiseHighpass{0.0f, 1.0f};

    Ramp mix = {};  // 0..1
    Ramp ring = {}; // 0..1
    bool ringUsed = false;
    bool split = false; // two outputs for the split filter types

    bool fmUsed = false;
    int32_t fmMode = kFmFeedback;
    Ramp fmDepth = {};        // Phi, already scaled by 2^-12
    float fmFeedback = 0.0f;  // beta, 0..1
};

// Step 2 of the call order above. split: the voice's filter type is one of
// the split types, which take oscillator 1 apart from the rest. frames: 1..64.
OscillatorSlice prepareOscillators(const OscillatorParameters& params, const OscillatorInputs& inputs,
                                   const OscillatorRates& rates, VoiceSlot& slot, int32_t frames, bool split);

// Step 3. Writes slice.frames samples into voiceBuffer (full scale 1.0); with
// slice.split, oscillator 1's part into voiceBuffer and the rest into
// secondBuffer (which is otherwise left alone). In FM mode Filter FM it
// writes the filter's cutoff modulation into filterFmBuffer (zeros when the
// voice does not use FM); in the other modes that buffer is left alone.
// noiseGenerator is the engine's shared noise state, advanced once per frame
// by every voice that renders noise.
void renderOscillators(const OscillatorSlice& slice, VoiceSlot& slot, uint32_t& noiseGenerator, float* voiceBuffer,
                       float* secondBuffer, float* filterFmBuffer);
