// Named indices for the members of the parameter families that ParamIndex.h
// names only by their first member, so that no code counts offsets by hand.
#pragma once

#include "ParamIndex.h"

namespace ParamIndex {

// Envelope members, from kAmpAttack, kFilterAttack or kModAttack.
enum : int { kEnvAttack = 0, kEnvDecay = 1, kEnvSustain = 2, kEnvRelease = 3, kEnvMembers = 4 };

// LFO members, from kLfo1Shape + lfo * kLfoStride; three reserved slots follow.
enum : int { kLfoShapeOffset = 0, kLfoRateOffset, kLfoSkewOffset, kLfoFadeInOffset, kLfoSyncOffset, kLfoResetOffset };

enum : int {
    kPhaserRate = kPhaserType + 1,
    kPhaserFreq,
    kPhaserFeedback,
    kPhaserAmount,
    kPhaserDepth,

    kDelayColour = kDelayType + 1,
    kDelayFeedback,
    kDelayAmount,
    kDelayRateLeft,
    kDelayRateRight,

    kReverbDamp = kReverbType + 1,
    kReverbDecay,
    kReverbAmount,
    kReverbPreDelay,
    kReverbLocut,

    kDistColour = kDistType + 1,
    kDistDrive,
    kDistAmount,
};

// EQ band members, from kEq1Type or kEq2Type.
enum : int { kEqTypeOffset = 0, kEqFreqOffset, kEqQOffset, kEqGainOffset };

enum : int {
    kFxOnCount = 6,        // from kPhaserOn: phaser, delay, reverb, distortion, EQ 1, EQ 2
    kEffectOrderCount = 6, // from kEffectOrder
    kModFamilySlots = 32,  // each modulation family spans 32 indices, of which 24 are slots
};

} // namespace ParamIndex
