// The six insert effects over the FX bus, in the program's order, followed by
// the dry bus. The chain owns nothing: it runs the effect objects and the
// distortion and EQ states that the engine hands it for one block.
#pragma once

#include "DelayModSource.h"
#include "Distortion.h"
#include "EqBand.h"
#include "FxDelay.h"
#include "FxReverb.h"
#include "FxVintagePhaser.h"

#include <cstdint>

enum EffectKind : int32_t {
    kEffectDistortion = 0,
    kEffectEq1 = 1,
    kEffectEq2 = 2,
    kEffectPhaser = 3,
    kEffectDelay = 4,
    kEffectReverb = 5,
    kEffectKindCount = 6,
};

struct EffectsChain {
    static constexpr int32_t kSlotCount = 6;

    DistortionFields& distortion;
    EqBand* eq; // two bands
    FxVintagePhaser& phaser;
    FxDelay& delay;
    FxReverb& reverb;
    DelayModSource& delayMod;
    double sampleRate;

    // The stored value of an order slot as an effect kind: false when it names
    // none, and the slot then keeps what it had.
    static bool decodeSlot(float stored, int32_t& kind);

    // order: the six slot values (any value outside 0..5 skips its slot);
    // on: one switch per effect kind. Runs on io in place for all n frames,
    // adds the dry bus, then moves the delay's LFO on by the block.
    // busesSilent: no voice wrote either bus, which then hold only zeros: the
    // dry bus is not added, and a sleeping reverb that would only find its
    // input silent is not asked to look.
    void process(const int32_t* order, const bool* on, int32_t n, float** io, float* const* dry, float tempo,
                 bool busesSilent = false);
};
