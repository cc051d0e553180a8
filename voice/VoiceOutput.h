// The last stage of a voice: amplifier envelope and spike, voice gain, pan
// with the stack spread, and the split between the FX bus and the dry bus.
#pragma once

#include "Envelopes.h"
#include "Spike.h"
#include "VoiceSlot.h"

#include <cstdint>

// The modulated inputs of the output stage, gathered once per call.
struct VoiceOutputInputs {
    float levelFactor = 1.0f; // product of the Level (dB) contributions
    float ampFactor = 1.0f;   // 1 + the LFO 3*Amp contributions
    float volumeSum = 0.0f;   // the Volume contributions
    float spread = 0.0f;      // Voice Spread plus Pan Spread contributions
    float panSum = 0.0f;      // Pan and LFO 3*Pan contributions
    float fxShare = 1.0f;     // 1 + the FX Dry/Wet contributions
    int32_t voicesPerNote = 1;
    bool layerSilenced = false; // layer switches are in use and this layer's is off
};

struct VoiceGains {
    float left;
    float right;
    float fxShare;
};

// Pan position of stack layer `layer` of `voicesPerNote`, before limiting.
float spreadPosition(int32_t voicesPerNote, int32_t layer, float spread);

VoiceGains voiceGains(const VoiceOutputInputs& inputs, int32_t layer);

// Adds one call of the voice into the four bus channels. The gains ramp from
// the slot's previous ones (or start at the new ones for a new voice); the
// amplifier envelope and the voice's age advance per frame.
void mixVoice(const float* voice, int32_t frames, const VoiceGains& gains, AmpEnvelope& amp, const Spike& spike,
              VoiceSlot& slot, float* const* fxBus, float* const* dryBus);
