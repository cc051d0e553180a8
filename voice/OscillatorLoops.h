// The frame loops of the oscillator stage, each filling one 64-frame buffer
// of one signal (samples on the oscillators' 16-bit scale unless noted).
// renderOscillators() runs them in order and mixes the results; keeping the
// signals apart lets each loop be specialised on its own few features.
//
// Most loops work four frames at a time (SSE2). They read their per-frame
// inputs and may write their outputs up to paddedFrames(frames): every
// buffer they touch holds kMaxSliceFrames, and what lies past `frames` is
// scratch nobody reads.
#pragma once

#include <cstdint>

#include "Oscillators.h"

constexpr int kLanes = 4;
static_assert(kMaxSliceFrames % kLanes == 0, "slices pad to whole groups of four frames");
inline int32_t paddedFrames(int32_t frames) { return (frames + kLanes - 1) / kLanes * kLanes; }

// Oscillator 2's "1->2 fbk" modulation.
struct FeedbackFm {
    const float* modulator = nullptr; // oscillator 1's main samples
    Ramp depth = {};                  // Phi, 2^-12 scale applied
    float feedback = 0.0f;            // beta * 2^-15
};

// One free-running (not synced) main oscillator for one call.
struct MainOscillatorJob {
    const int16_t* table;
    const int16_t* morphTable;
    int32_t morph;
    uint32_t pulseOffset;
    const uint32_t* fatIncrements; // kFatCopies
    int32_t weightMain, weightCopies;
    const uint32_t* increments; // one per frame, padded
    bool steadyIncrement;       // all the same (a held pitch)
    FeedbackFm fm;
};

// Features of runMainOscillator, or-ed; every combination is a loop of its own.
enum MainLoopFeature : unsigned {
    kPulseRead = 1u,    // two saw reads a pulse offset apart
    kFatStack = 2u,     // six detuned copies
    kMorphRead = 4u,    // crossfade into the next wave (10-bit fraction)
    kFineFraction = 8u, // 10-bit instead of 8-bit interpolation
    kFeedbackFm = 16u,  // "1->2 fbk" on the increment
    kOneShotCycle = 32u // stop at the first wrap
};
constexpr unsigned kMainLoopVariants = 64;

// Writes main[] (padded) and, with kFatStack, stacked[]. Returns how many frames were
// produced: all of them, or with kOneShotCycle the frames up to and
// including the one whose advance wrapped the phase.
int32_t runMainOscillator(unsigned features, const MainOscillatorJob& job, uint32_t& phase, uint32_t* fatPhases,
                          float* main, float* stacked, int32_t frames);

// Hard-synced oscillator 2 (OscillatorSync.cpp): main samples into out[].
struct SyncJob {
    int32_t shape;        // OscShape
    const int16_t* table; // Sine and Wavetbl
    uint32_t pulseOffset;
    const uint32_t* masterIncrements; // oscillator 1, one per frame
    const uint32_t* increments;       // oscillator 2, one per frame
    bool fm;                          // "1->2 fbk"
    FeedbackFm fmInput;
};
void runSyncedOscillator(const SyncJob& job, uint32_t masterPhase, VoiceSlot& slot, float* out, int32_t frames);

// out[] = sub sample * level (2^-15 scale applied: full scale 1.0).
void runSubOscillator(const int16_t* table, uint32_t increment, Ramp level, uint32_t& phase, float* out,
                      int32_t frames);

// "1->2 dual": the carrier read at fmPhase, driven by both oscillators'
// main samples, replaces osc2[] in place (8-bit fraction, no stack).
// depth and feedback as in FeedbackFm.
void runDualFmCarrier(const int16_t* table, const uint32_t* increments, const float* modulator, Ramp depth,
                      float feedback, uint32_t& phase, float* osc2, int32_t frames);

// "Filter FM": the cutoff modulation from both oscillators' main samples;
// depth and feedback as in FeedbackFm.
void writeFilterFm(const float* osc1, const float* osc2, Ramp depth, float feedback, float* out, int32_t frames);
