// The modulation destinations of one voice for one render slice. Each starts
// from its unmodulated value; the modulation matrix adds its contributions
// before the stages read them.
#pragma once

#include "Envelopes.h"
#include "OscillatorInputs.h"
#include "VoiceOutput.h"
#include "VoiceSlot.h"

#include <cstdint>

constexpr int32_t kNoFilterTypeChange = -1;

struct VoiceControls {
    OscillatorInputs osc;
    float lfoOut[kNumLfos]; // L1..L3 with their fade-in
    // This voice's phase step per frame for each LFO: the engine's, unless an
    // LFO Rate routing recomputed it for this slice.
    uint32_t lfoIncrement[kNumLfos];
    float cutoff;           // position, before key tracking
    float envAmount;
    float resonance;
    float offset;
    float keytrack;
    float combModulation;
    EnvelopeSettings amp;
    EnvelopeSettings filterEnv;
    EnvelopeSettings modEnv;
    int32_t holdFrames;
    float spikeAmount;
    bool spikeHard;  // any slot routes to Spike Hard
    bool modEnvUsed; // any slot reads the modulation envelope
    VoiceOutputInputs output;

    // Settings that only a voice's first slice makes; applyStartModulation
    // hands them to the slot.
    int32_t startFilterType = kNoFilterTypeChange; // FilterTypeCode
    bool setLfoPhase[kNumLfos] = {};
    uint32_t startLfoPhase[kNumLfos] = {}; // one cycle = 2^32
};

// Gives the slot the first-slice settings of its controls: the filter type
// it keeps for life and its LFO start phases. Runs before the slice reads
// either (the oscillator start phases travel in controls.osc instead).
void applyStartModulation(VoiceSlot& slot, const VoiceControls& controls);
