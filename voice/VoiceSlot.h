// One of the engine's 72 voice slots: the note it plays (set when the slot
// starts) and the audio state the render carries from one slice to the next.
#pragma once

#include <cstdint>

constexpr int kMaxVoices = 72;
constexpr int kMaxSliceFrames = 64;
constexpr int kNumLfos = 3;
constexpr int kFatCopies = 6;
constexpr int kSyncRingSize = 64;
constexpr int kCombBufferSize = 256;

enum EnvelopeStage : uint8_t { kAttack = 0, kDecay = 1, kSustain = 2, kRelease = 3 };

// Markers meaning "no previous value": the first slice jumps to the target.
constexpr float kUnsetRamp = -1.0f;
constexpr float kUnsetCutoff = -1000.0f; // prevCutoff is unset below -99
constexpr float kUnsetOsc3Level = -1000.0f; // prevOsc3Level is unset below -1

struct VoiceSlot {
    // Note fields, set when the slot starts.
    int32_t active;
    int32_t released;
    uint32_t age; // frames since the start
    float pitch;  // 1/128 semitone
    int8_t note;
    int8_t velocity;
    int32_t layer; // stack layer 0..7
    int32_t voiceFilterType;
    float voiceRandom; // -1..+1, drawn at the start
    bool syncActive;

    // Oscillators. Phases: one cycle = 2^32.
    uint32_t osc1Phase, osc2Phase, osc3Phase;
    uint32_t fatPhases1[kFatCopies];
    uint32_t fatPhases2[kFatCopies];
    uint32_t fmPhase;
    bool osc2Done;
    uint32_t syncPos;
    float noisePrev, noiseState;

    // LFOs.
    uint32_t lfoPhase[kNumLfos];
    uint32_t combLfoPhase;
    float shValue[kNumLfos];
    float shTarget[kNumLfos];
    uint32_t shPhaseSeen[kNumLfos]; // the phase at the last output, to see the cycles that ended since
    bool shDrawnAhead[kNumLfos];    // this cycle's draw came early, in the call its end was foreseen

    // Envelopes.
    float ampLevel, filterEnvLevel, modEnvLevel;
    uint8_t ampStage, filterEnvStage, modEnvStage;

    // Filter memories: SVF 1 low/band (ladder 1, 2), SVF 2 low/band (ladder
    // 3, 4), ladder output, low/band of the SVF after the ladder.
    float filterState[7];
    float followPrev, followState;
    uint8_t combWrite;

    // End points of the per-frame ramps, carried across slices.
    float prevInc1, prevInc2;
    float prevCutoff;
    float prevMix, prevOsc3Level, prevFmDepth, prevRingMod;
    float prevGainL, prevGainR, prevFxShare;

    // The two delay lines last, so that everything a slice touches in every
    // voice sits together in a few cache lines ahead of them.
    float syncRing[kSyncRingSize]; // read at syncPos
    float combBuffer[kCombBufferSize]; // written at combWrite
};
