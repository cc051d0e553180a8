// What the oscillator stage is told once per voice and render call: the
// engine's oscillator settings, and the per-voice values the modulation matrix
// accumulates on top of them. The matrix starts from startingOscillatorInputs()
// and adds its contributions; prepareOscillators() does all the limiting, so
// any sum the matrix produces is safe to hand over.
#pragma once

#include <cstdint>

#include "Conversions.h"

enum OscShape : int32_t { kOscSaw = 0, kOscPulse = 1, kOscSine = 2, kOscWavetable = 3 };
enum SubShape : int32_t { kSubSaw = 0, kSubPulse = 1, kSubTriangle = 2 };
enum FmMode : int32_t { kFmFeedback = 0, kFmDual = 1, kFmFilter = 2 };

// Engine-wide oscillator fields, read once per slot per call. Index 0 is
// oscillator 1, index 1 oscillator 2.
struct OscillatorParameters {
    int32_t shape[2] = {kOscSaw, kOscSaw}; // OscShape
    int32_t coarse[2] = {0, 0};            // semitones, -36..+36
    int32_t fine[2] = {0, 0};              // 1/128 semitone, -64..+64
    int32_t fatAmount[2] = {0, 0};         // 0..128
    float fatFactor[2] = {1.0f, 1.0f};     // detune ratio of the stack, 1.0..1.01
    int32_t wave[2] = {0, 0};              // 0..69
    int32_t subShape = kSubSaw;            // SubShape
    float subLevel = 0.0f;                 // raw 0..1
    float oscMix = 0.0f;                   // 0 = oscillator 1 only, 1 = oscillator 2 only
    float noiseLevel = 0.0f;
    float noiseColour = 0.0f;
    OnePoleCoefs noiseHighpass{0.0f, 1.0f}; // the engine's pair for noiseColour
    float ringMod = 0.0f;
    int32_t fmMode = kFmFeedback; // FmMode
    float fmFeedback = 0.0f;
    bool oscSync = false;
    int32_t voicesPerNote = 1; // 1..8
    int32_t voiceDetune = 0;   // 1/128 semitone between neighbouring layers, 0..64
    bool glideOn = false;
    // The engine's glide offset already decayed for this call, 1/128 semitone
    // (the same for every voice); read only while glideOn.
    float glideOffset = 0.0f;
};

// Per-voice accumulators of the modulation destinations that feed the
// oscillators. Each field names its unmodulated start; "contributions" are
// the matrix's per-slot terms for the destination named.
struct OscillatorInputs {
    // Pitch-bend offset + Pitch Semi, Pitch Fine, LFO 1*Fine, LFO 1*Semi. 1/128 semitone.
    int32_t pitchOffset = 0;
    // Voice Detune + Detune. 1/128 semitone per layer, limited to 0..64 later.
    int32_t stackDetune = 0;
    // Osc i Semi + Osc i Fine. 1/128 semitone.
    int32_t oscOffset[2] = {0, 0};
    // 1024 = 100 %; an Osc i KeyTrk contribution replaces it.
    int32_t keyTrack[2] = {1024, 1024};
    // oscWave * 1024 + Osc i Wave. 1/1024 wave.
    int32_t wavePosition[2] = {0, 0};
    // Any Osc i Wave contribution exists: the oscillator morphs (sync off).
    bool waveModulated[2] = {false, false};
    // oscFatAmount * 64 + Osc i Fat (trunc(8192 a x)); limited to 0..1024 later.
    int32_t fatMix[2] = {0, 0};
    // oscFatFactor + Osc i Fat (0.01 a x).
    float fatRatio[2] = {1.0f, 1.0f};
    // Pulse-width ramp value + Pulse Width + LFO 1*PW; limited to 0..1 later.
    float pulseWidth = 0.5f;
    float oscMix = 0.0f;   // oscMix + Osc Mix
    float ringMod = 0.0f;  // ringMod + Ring Mod
    float subLevel = 0.0f; // osc3Level + Osc 3 Level
    float noiseLevel = 0.0f; // noiseLevel + Noise Level
    float noiseColour = 0.0f; // noiseColour + Noise Colour
    bool noiseColourModulated = false; // the voice needs its own high-pass pair
    float fmAmount = 0.0f;      // FM ramp value + FM 1 (4 a x)
    float fmDepthFactor = 1.0f; // 1.0, or replaced by an FM Depth contribution
    float fmFeedback = 0.0f;    // fmFeedback + FM 2
    bool fmModulated = false;   // any FM 1 or FM 2 contribution exists
    bool oneShot = false;       // an Osc 2 OneShot contribution is positive
    // At-start phase settings (Osc 1 Phase, Osc 2 Phase, Osc 3 Phase); applied
    // only in the voice's first call. Osc 3 Phase also sets the FM carrier.
    bool setPhase[3] = {false, false, false};
    uint32_t phase[3] = {0, 0, 0}; // one cycle = 2^32
};

// The accumulators before any modulation slot has added to them.
// pwRamp and fmRamp are the block ramps' current values, bendOffset the
// engine's pitch-bend offset in 1/128 semitone.
inline OscillatorInputs startingOscillatorInputs(const OscillatorParameters& p, float pwRamp, float fmRamp,
                                                 int32_t bendOffset)
{
    OscillatorInputs in;
    in.pitchOffset = bendOffset;
    in.stackDetune = p.voiceDetune;
    for (int i = 0; i < 2; ++i) {
        in.wavePosition[i] = p.wave[i] * 1024;
        in.fatMix[i] = p.fatAmount[i] * 64;
        in.fatRatio[i] = p.fatFactor[i];
    }
    in.pulseWidth = pwRamp;
    in.oscMix = p.oscMix;
    in.ringMod = p.ringMod;
    in.subLevel = p.subLevel;
    in.noiseLevel = p.noiseLevel;
    in.noiseColour = p.noiseColour;
    in.fmAmount = fmRamp;
    in.fmFeedback = p.fmFeedback;
    return in;
}
