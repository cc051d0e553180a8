// The modulation destinations of one voice for one render slice. Each starts
// from its unmodulated value; the modulation matrix adds its contributions
// before the stages read them.
#pragma once

#include "Envelopes.h"
#include "OscillatorInputs.h"
#include "VoiceOutput.h"
#include "VoiceSlot.h"

#include <cstdint>

struct VoiceControls {
    OscillatorInputs osc;
    float lfoOut[kNumLfos]; // L1..L3 with their fade-in
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
};
