// The words of the modulation matrix: the codes a slot's source, voice
// selection and destination parameters store, the menus that show them (in
// menu order, which is not code order), the layers each voice selection
// reaches and which sources are bipolar. The engine and the editor read the
// same tables.
#pragma once

#include <cstdint>

enum ModSourceCode : int32_t {
    kSrcNone = 0,
    kSrcVelocity = 1,
    kSrcNote = 2,
    kSrcModWheel = 3,
    kSrcPitchWheel = 4,
    kSrcAftertouch = 5,
    kSrcRandom = 6,
    kSrcConst = 7,
    kSrcArpNote = 8,
    kSrcArpVel = 9,
    kSrcBreath = 10,
    kSrcFoot = 11,
    kSrcExpression = 12,
    kSrcLfo1 = 13, // LFO 2 and 3 follow
    kSrcLfo1Wheel = 16,
    kSrcLfo1Touch = 19,
    kSrcAmpEnv = 22,
    kSrcFilterEnv = 23,
    kSrcVoiceNumber = 24,
    kSrcModEnv = 25,
};
constexpr int32_t kModSourceCount = 26;

enum ModDestinationCode : int32_t {
    kDestNone = 0,
    kDestPitchSemi = 1,
    kDestPitchFine = 2,
    kDestVolume = 3,
    kDestPan = 4,
    kDestFilterCutoff = 5,
    kDestFilterEnv = 6,
    kDestDetune = 7,
    kDestOscMix = 8,
    kDestLfo1Fine = 9,
    kDestLfo2Cutoff = 10,
    kDestOsc1Semi = 11,
    kDestOsc2Semi = 12,
    kDestFilterType = 13,
    kDestRingMod = 14,
    kDestOsc1Wave = 15,
    kDestOsc2Wave = 16,
    kDestAmpAttack = 17,
    kDestAmpDecay = 18,
    kDestAmpSustain = 19,
    kDestAmpRelease = 20,
    kDestFilterAttack = 21,
    kDestFilterDecay = 22,
    kDestFilterSustain = 23,
    kDestFilterRelease = 24,
    kDestPulseWidth = 25,
    kDestFilterReso = 26,
    kDestNoiseLevel = 27,
    kDestLfo3Amp = 28,
    kDestLfo3Pan = 29,
    kDestFm1 = 30,
    kDestAmpHold = 31,
    kDestOsc1Phase = 32,
    kDestOsc2Phase = 33,
    kDestLfo1Rate = 34,
    kDestLfo2Rate = 35,
    kDestLfo3Rate = 36,
    kDestOsc3Level = 37,
    kDestLfo1Pw = 38,
    kDestLfo1Semi = 39,
    kDestLfo3Comb = 41,
    kDestLfo2EnvAmt = 42,
    kDestLfo1Phase = 43,
    kDestLfo2Phase = 44,
    kDestLfo3Phase = 45,
    kDestLfo2FxDelay = 46,
    kDestOsc1Fine = 47,
    kDestOsc2Fine = 48,
    kDestOsc1Fat = 49,
    kDestOsc2Fat = 50,
    kDestFilterOffset = 51,
    kDestFm2 = 52,
    kDestOsc1KeyTrack = 53,
    kDestOsc2KeyTrack = 54,
    kDestSpikeSoft = 55,
    kDestModAttack = 57,
    kDestModDecay = 58,
    kDestModSustain = 59,
    kDestModRelease = 60,
    kDestMmAmount1 = 61, // MM Amount 2..24 follow
    kDestMmAmount24 = 84,
    kDestSpikeHard = 85,
    kDestFxDryWet = 86,
    kDestOsc3Phase = 87,
    kDestLevelDb = 88,
    kDestNoiseColour = 89,
    kDestPanSpread = 90,
    kDestFmDepth = 91,
    kDestFilterKeyTrack = 92,
    kDestOsc2OneShot = 93,
    kDestWheelCurve = 94,
    kDestVelocityCurve = 95,
    kDestBreathCurve = 96,
};
constexpr int32_t kModDestinationCodes = 97; // 0..96; 40 and 56 mean nothing

// The last voice-selection code: "Even".
constexpr int32_t kModVoicesLastCode = 26;

// One menu record: the stored code and its text.
struct ModMenuEntry {
    int32_t code;
    char text[32];
};

constexpr int32_t kModSourceMenuEntries = 26;
constexpr int32_t kModVoicesMenuEntries = 27;
constexpr int32_t kModDestinationMenuEntries = 95;

extern const ModMenuEntry kModSourceMenu[kModSourceMenuEntries];
extern const ModMenuEntry kModVoicesMenu[kModVoicesMenuEntries];
extern const ModMenuEntry kModDestinationMenu[kModDestinationMenuEntries];

// The text of a stored code; nullptr for codes that have no menu entry.
const char* modSourceText(int32_t code);
const char* modVoicesText(int32_t code);
const char* modDestinationText(int32_t code);

// Codes the sources table knows; anything else reads as "---".
inline bool isModSource(int32_t code) { return code > kSrcNone && code < kModSourceCount; }

// Bipolar sources swing around 0, unipolar ones rest at 0; the Pan
// destination centres the unipolar ones.
bool isBipolarSource(int32_t code);

// Bit j set: stack layer j takes part. A code with no meaning selects no
// layer, so a damaged slot stays silent rather than reaching every voice.
uint32_t modVoicesMask(int32_t code);
