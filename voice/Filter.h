// The voice filter as the render loop drives it, once per active voice and
// slice, in this order:
//   1. filterCutoffPosition + beginCutoffRamp  (control values, before the oscillators)
//   2. applyPreFilterStage                      (after the oscillators wrote the voice buffer)
//   3. runFilterKernel, or runFilterGroup       (after note-off moved the envelopes to release
//      for voices that filterGroup lets share    and the filter envelope filled its levels)
//   4. flushFilterDenormals
//   5. applyPostFilterStage                     (after the modulation envelope)
// All of them read the slot's voiceFilterType, so a voice keeps the type it
// started with whatever the parameter does meanwhile.
#pragma once

#include "FilterTables.h"
#include "VoiceSlot.h"

#include <cstdint>

// The per-frame cutoff position of one slice: frame t (0-based) uses
// start + (t + 1) * step, so the last frame reaches the slice's target and a
// one-frame slice completes its ramp at once.
struct CutoffRamp {
    float start;
    float step;
};

// Resonance and offset live on 0..1 whatever the modulation sums to; NaN
// counts as 0.
inline float limitToUnit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

// Values formed once per voice per slice from the engine fields and the
// modulation contributions.
struct FilterParams {
    CutoffRamp cutoff;
    float envAmount;      // filter envelope amount, with its contributions
    float resonance;      // limited to 0..1 by the filter
    float offset;         // Filter Offset with contributions, limited to 0..1 by the filter
    float combModulation; // sum of the LFO 3*Comb contributions (0 without routing)
    const float* lfo3Wave;  // LFO 3's 2049-entry waveform table, read by the comb; nullptr: no sweep
    uint32_t lfo3Increment; // LFO 3's phase step per frame for this voice
    uint32_t lfo2Increment; // LFO 2's phase step per frame for this voice
    float osc1Frequency;    // Hz, as this layer's oscillator 1 plays; the "LP12+Follow" corner follows it
    // The filter envelope sits in sustain for the whole slice; lets the plain
    // low-passes look their coefficient up once.
    bool envelopeSustaining;
};

// Per-frame buffers of the slice (frames entries each).
struct FilterBuffers {
    float* voice;           // filtered in place; oscillator 1's part for the split types
    const float* voice2;    // the rest of the mix, split types only
    const float* envelope;  // filter envelope level of each frame, after that frame's step
    const float* filterFm;  // cutoff offsets in FM mode "Filter FM"; nullptr in the other modes
};

// The slice's target cutoff position: the summed cutoff (ramp value, Filter
// Cutoff and LFO 2*Cutoff contributions) plus key tracking around note 0.
float filterCutoffPosition(float cutoffSum, float keytrack, float pitch);

// Starts the slice's cutoff ramp from the slot's previous target (or at the
// new one for a fresh voice) and stores the new target in the slot.
// blockRampStep is the cutoff block ramp's own per-frame step.
CutoffRamp beginCutoffRamp(VoiceSlot& slot, float target, float blockRampStep, int32_t frames);

void applyPreFilterStage(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                         float* voice, int32_t frames);

// Runs the slot's kernel over the voice buffer and advances LFO 2's phase
// (and the comb's LFO 3 phase) by the slice.
void runFilterKernel(VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                     const FilterBuffers& buffers, int32_t frames);

// Voices whose filters can run side by side, one voice to an SSE lane: one
// voice's recursion waits on its own latency, so four in one register take
// about the time of one.
constexpr int32_t kFilterLanes = 4;

enum class FilterGroup : int32_t {
    Alone,       // only runFilterKernel takes it
    HeldLowpass, // the 12 dB low-pass on a coefficient fixed for the slice
    Ladder,      // the 24 dB ladder, no Filter FM
};

// The side-by-side kernel that can take this voice's filter for the slice.
FilterGroup filterGroup(const VoiceSlot& slot, const FilterParams& params, const FilterBuffers& buffers);

struct FilterLane {
    VoiceSlot* slot;
    const FilterParams* params;
    float* voice;
    const float* envelope;
};

// What runFilterKernel does, for 1..kFilterLanes voices of one group at once.
void runFilterGroup(FilterGroup group, const FilterLane* lanes, int32_t count, const FilterTables& tables,
                    int32_t frames);

void applyPostFilterStage(const VoiceSlot& slot, const FilterTables& tables, const FilterParams& params,
                          float* voice, int32_t frames);

// Zeroes every filter memory of the slot: at voice end, on a Filter Type
// change (all slots) and on reset.
void clearFilterMemories(VoiceSlot& slot);

// Memories that have decayed into the denormal range become exact zeros.
void flushFilterDenormals(VoiceSlot& slot);
