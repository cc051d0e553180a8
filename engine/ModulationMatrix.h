// What the two passes of the modulation matrix share: the controller curves
// and the values the sources read. The per-voice pass is Vesk::modulateVoice,
// the block-rate pass Vesk::updateGlobalModulation.
#pragma once

#include "EngineState.h"
#include "VoiceSlot.h"

#include <cstdint>

enum ControllerCurveIndex : int32_t { kWheelCurve = 0, kVelocityCurve = 1, kBreathCurve = 2 };

// The broken line through (0, 0), (knee, 1 - knee) and (1, 1): a knee of 0.5
// is the straight response, a higher one starts slowly.
double curvedController(double c, const ControllerCurve& curve);

// Moves a curve's knee by a modulation value (0 keeps it straight, +1 bends it
// fully down) and switches the curve on.
void bendControllerCurve(ControllerCurve& curve, double bend);

// Everything the sources read, for one voice and one slice.
struct ModSourceInputs {
    const ControllerState* ctl;
    const ControllerCurve* curves; // the three curves, or nullptr for straight responses
    double arpNote;                // 0..1
    double arpVel;                 // 0..1
    const VoiceSlot* voice;
    const float* lfo;              // L1..L3
};

// The value a source code reads (see ModulationVocabulary.h); 0 for codes
// that name no source.
double modSourceValue(int32_t source, const ModSourceInputs& in);

// One slot in use, as a slice reads it.
struct ModRoute {
    int32_t slot;    // 0..23
    int32_t source;  // code
    int32_t dest;    // code
    uint32_t layers; // bit k: stack layer k hears the slot
    int32_t value;   // index of its source in ModRoutes::sources; -1: no source
};

// The slots of one slice that can reach a voice, from slot 24 down to 1 (the
// order in which they fold), read once for all voices so that each voice
// walks only what is in use.
struct ModRoutes {
    static constexpr int32_t kSlots = ModMatrixState::kSlots;

    double amount[kSlots];    // every slot's own amount, limited
    ModRoute scaling[kSlots]; // MM Amount slots, with or without a source
    int32_t scalingCount = 0;
    ModRoute folding[kSlots]; // slots with a source
    int32_t foldingCount = 0;
    int32_t sources[kSlots];  // every source code in use, once: a voice reads each once
    int32_t sourceCount = 0;
    bool modEnvUsed = false;  // some slot reads the modulation envelope, whatever its layers
};

// trunc(cycles * 2^32) modulo 2^32: the phase a routing sets. Non-finite
// values give 0.
uint32_t phaseFromCycles(double cycles);
