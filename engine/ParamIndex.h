// Parameter indices: the host-visible order of every program parameter, plus
// the editor-only tags and the engine's internal pitch-bend input.
#pragma once

namespace ParamIndex {
enum : int {
    kOsc1Shape = 0,
    kOsc1Coarse = 1,
    kOsc1Fine = 2,
    kOsc1Fat = 3,
    kOsc1Wave = 4,
    kOsc2Shape = 5,
    kOsc2Coarse = 6,
    kOsc2Fine = 7,
    kOsc2Fat = 8,
    kOsc2Wave = 9,
    kOsc3Shape = 10,
    kOsc3Level = 11,
    kOscMix = 12,
    kNoiseColour = 13,
    kNoiseLevel = 14,
    kOscRingMod = 15,
    kOscPulseWidth = 16,
    kOscFm = 17,
    kAmpAttack = 18, // attack, decay, sustain, release follow in order
    kFilterAttack = 22,
    kFilterKeytrack = 26,
    kFilterReserved = 27,
    kFilterCutoff = 28,
    kFilterResonance = 29,
    kFilterEnvAmount = 30,
    kFilterOffset = 31,
    kOscSync = 32,
    kLfo1Shape = 33, // each LFO: shape, rate, skew, fade in, sync, reset
    kLfo2Shape = 42,
    kLfo3Shape = 51,
    kLfoStride = 9,
    kModAttack = 57, // attack, decay, sustain, release follow in order
    kFmFeedback = 61,
    kVoice1 = 62, // layer switches Voice 1 .. Voice 8
    kArpRange = 70,
    kArpRate = 71,
    kArpLength = 72,
    kArpSwing = 73,
    kVolume = 74,
    kVoiceSpread = 75,
    kVoiceDetune = 76,
    kVoices = 77,
    kGlide = 78,
    kPhaserType = 79, // type, rate, freq, feedback, amount, depth
    kDelayType = 85,  // type, colour, feedback, amount, rate L, rate R
    kReverbType = 91, // type, damp, decay, amount, predelay, low cut
    kDistType = 97,   // type, colour, drive, amount
    kEq1Type = 101,   // type, freq, Q, gain
    kEq2Type = 106,
    kNumHostParams = 111,
    kFmMode = 111,
    kModWheel = 113,
    kArpSync = 114,
    kArpOn = 115,
    kPhaserOn = 116, // on switches: phaser, delay, reverb, distortion, EQ 1, EQ 2
    kArpMode = 125,
    kFilterType = 126,
    kMonoMode = 127,
    kModSource = 128,      // 32 slots, 24 used
    kModAmount = 160,      // 32 slots, 24 used
    kModDestination = 192, // 32 slots, 24 used
    kModVoices = 224,      // 32 slots, 24 used
    kModSlotCount = 24,
    kArpStep = 256,       // Arp1 .. Arp32
    kArpFinger = 288,     // ArpFinger1 .. ArpFinger32
    kArpSteps = 320,
    kPoly = 321,
    kPatchCategory = 322,
    kEffectOrder = 323, // six slots
    kNumProgramParams = 329,
    kEditorPitchBend = 346, // engine-internal pitch-bend input, never stored
    kNumDescriptors = 357,
};
} // namespace ParamIndex
