// The engine's state, in groups. Every field is plain
// data that setParameter writes with one word or byte store and the audio
// thread reads once per slice; the ranges given are what consumers may rely on
// whatever value a host sends.
#pragma once

#include "Conversions.h"
#include "DelayModSource.h"
#include "Distortion.h"
#include "EqBand.h"

#include <atomic>
#include <cstdint>

// Enumeration codes (filter type, FM mode, arpeggiator mode, modulation
// source/destination/voices) are stored as decoded when 0..254. Anything
// outside becomes kUnknownCode, which no vocabulary uses, so a consumer may
// index a 256-entry table with any stored code or treat it as "no case".
constexpr uint8_t kUnknownCode = 255;

// Integer amounts that are not indices (coarse, fine, detune, gate offset) keep
// their unlimited scale but are held within this bound, far beyond any
// value a control produces, so that a consumer's sums and x128 products cannot overflow.
constexpr int32_t kIntAmountLimit = 1 << 20;

// The sizes below are scoped to their groups, so that the voice, note and
// table code can keep their own names for the same numbers.

// Group 3: oscillators. Index [0] is oscillator 1, [1] oscillator 2.
struct OscillatorFields {
    int32_t oscShape[2] = {};       // 0 saw, 1 pulse, 2 sine, 3 wavetable (any other choice reads as 3)
    int32_t oscCoarse[2] = {};      // semitones, -36..+36 for 0..1
    int32_t oscFine[2] = {};        // 1/128 semitone, -64..+64 for 0..1
    uint8_t oscFatAmount[2] = {};   // 0..128 for 0..1, saturated to the byte
    float oscFatFactor[2] = {1.0f, 1.0f}; // 1.0..1.01
    int32_t oscWave[2] = {};        // 0..69, always
    int32_t osc3Shape = 0;          // 0 saw, 1 pulse, 2 triangle (any other choice reads as 2)
    float osc3Level = 0.0f;
    float oscMix = 0.0f;
    float noiseLevel = 0.0f;
    float noiseColour = 0.0f;
    float ringMod = 0.0f;
    OnePoleCoefs noiseHighpass = {0.0f, 1.0f}; // colour high-pass y = (x - x1) b - a y1
    uint8_t fmMode = 0;             // code: 0 "1->2 fbk", 1 "1->2 dual", 2 "Filter FM"
    float fmFeedback = 0.0f;
    bool oscSync = false;
};

// Group 4: one envelope. The modulation envelope keeps the raw copy too.
struct EnvelopeParams {
    float attack = 0.0f;  // raw 0..1
    float decay = 0.0f;   // raw 0..1
    float sustain = 0.0f; // the square of the raw value
    float release = 0.0f; // raw 0..1
    float raw[4] = {};    // attack, decay, sustain, release as set
};

struct EnvelopeFields {
    EnvelopeParams amp;
    EnvelopeParams filter;
    EnvelopeParams mod;
};

// Group 5: the filter (its cutoff ramp is in SmoothingRamps).
struct FilterFields {
    uint8_t filterType = 0; // type code: 0..17 are filters; others are stored as they come
    float resonance = 0.0f; // target
    float resonanceCurrent = 0.0f;
    float filterEnvAmount = 0.0f;
    float filterKeytrack = 0.0f;
    float filterOffset = 0.0f;
};

// An LFO's waveform, rebuilt on the thread that changes its shape or skew
// while the audio thread reads it: the builder fills a table of its own and
// hands it over whole. Three tables: the builder's, the renderer's, and one
// waiting between them, flagged when it is newer than the renderer's. Like
// every parameter write, one builder at a time.
class LfoWaveform {
public:
    static constexpr int32_t kTableSize = 2049; // 2048 entries read with the top 11 phase bits, plus a guard

    float* building() { return tables[buildIndex]; }
    void publish() { buildIndex = waiting.exchange(buildIndex | kNewer, std::memory_order_acq_rel) & kIndexMask; }
    // Audio thread, between slices: from here on it reads the newest table.
    void take()
    {
        if (waiting.load(std::memory_order_relaxed) & kNewer)
            readIndex = waiting.exchange(readIndex, std::memory_order_acq_rel) & kIndexMask;
    }
    const float* reading() const { return tables[readIndex]; }

private:
    static constexpr uint32_t kIndexMask = 3, kNewer = 4;
    float tables[3][kTableSize] = {};
    uint32_t buildIndex = 0;
    uint32_t readIndex = 1;
    std::atomic<uint32_t> waiting{2};
};

// Group 6: one LFO.
struct LfoFields {
    static constexpr int32_t kCount = 3;
    static constexpr int32_t kTableSize = LfoWaveform::kTableSize;

    // Shape, skew smoothing and reset are read by the audio thread while a host
    // may be changing them, so they are stored and loaded atomically.
    std::atomic<uint8_t> lfoShape{0}; // 0 saw, 1 pulse, 2 sine, 3 S+H (any other choice reads as 3)
    float lfoRate = 0.0f;          // raw
    float lfoFrequency = 0.0f;     // Hz, derived from the rate and sync
    float lfoSkewA = 1.0f;         // 0.25..4
    float lfoSkewB = 1.0f;         // 0.5..2
    float lfoSkewRaw = 0.5f;
    std::atomic<float> lfoSkewSmoothing{1.0f}; // one-pole coefficient of the S+H smoothing
    float lfoFadeIn = 0.0f;        // seconds, 0 = off
    bool lfoSync = false;
    std::atomic<bool> lfoReset{false};
    LfoWaveform waveform; // filled from shape and skew by the LFO table builder
};

// Group 7: the voice stack (poly and the bend ranges are Vesk's own fields).
struct VoiceStackFields {
    static constexpr int32_t kMaxLayers = 8;

    int32_t voicesPerNote = 1;      // 1..8, always
    int32_t voiceDetune = 0;        // 0..64 for 0..1
    float voiceSpread = 0.0f;
    bool layerOn[kMaxLayers] = {};
    bool layerSwitching = false;    // the layer switches silence the layers that are off
    bool monoMode = false;
    float glideRaw = 0.0f;
    bool glideOn = false;
    float glideCoef = 0.0f;         // per-frame factor on the glide offset
};

// Group 8: controllers.
struct ControllerState {
    double modWheel = 0.0;          // 0..1, raw
    double modWheelSmoothed = 0.0;
    double modWheelSmoothing = 0.1;
    double bend = 0.0;              // -1..+1
    int32_t bendRaw = 0;            // -8192..+8192, always
    int32_t bendSmoothed = 0;
    int32_t bendSmoothing = 16;     // of 128
    double aftertouch = 0.0;        // 0..1
    double breath = 0.0;
    double foot = 0.0;
    double expression = 0.0;
    bool sustainPedalUp = true;     // false while controller 64 is at 64 or more
    uint8_t pedalValue = 0;         // the last controller-64 value
};

// Group 9: the block ramps and the master gain. A current value below -1 (a
// gain below 0) is the unset marker: the next ramp jumps to its target.
struct BlockRamp {
    float current;
    float target;
    float step;
};

constexpr float kCutoffUnset = -1.5f;
constexpr float kFmUnset = -2.0f;
constexpr float kPwUnset = -2.0f;
constexpr float kGainUnset = -1.0f;

struct SmoothingRamps {
    BlockRamp cutoffRamp = {kCutoffUnset, 0.0f, 0.0f}; // position 0..1
    BlockRamp fmRamp = {kFmUnset, 0.0f, 0.0f};         // 4 x Osc FM
    BlockRamp pwRamp = {kPwUnset, 0.0f, 0.0f};         // pulse width 0..1
    float gainCurrent = kGainUnset;
    float gainTarget = 0.0f;
};

// Group 10: the effects the engine holds itself (distortion and EQ),
// the on switches and the delay's modulation record. The three effect objects
// are Vesk's own members.
struct EffectFields : DistortionFields {
    static constexpr int32_t kEffectCount = 6;
    static constexpr int32_t kDistTypeCount = 9;

    EqBand eq[2];
    // Phaser, delay, reverb, distortion, EQ 1, EQ 2, in the order of their on switches.
    bool fxOn[kEffectCount] = {};
    DelayModSource delayMod;
};

// Group 12: the output stage's 8 Hz DC blocker y = (x - x1) b - a y1, used only
// while Osc Sync is on.
struct OutputStage {
    OnePoleCoefs dcBlocker = {0.0f, 1.0f};
    float x1[2] = {}; // per channel
    float y1[2] = {};
};

// The modulation slots and controller curves (ModulationMatrix.h evaluates them).
struct ModSlot {
    uint8_t modSource = 0; // code, 0 "---"
    double modAmount = 0.0; // -1..+1
    uint8_t modDest = 0;   // code, 0 "---"
    uint8_t modVoices = 0; // code, 0 all layers
};

struct ControllerCurve {
    bool curveOn = false;
    double curveKnee = 0.5; // x, 0.01..0.99
    double curveLow = 1.0;  // k = (1 - x)/x
    double curveHigh = 1.0; // 1/k
};

struct ModMatrixState {
    static constexpr int32_t kSlots = 24;
    static constexpr int32_t kCurves = 3;

    ModSlot slot[kSlots];
    ControllerCurve curve[kCurves]; // MWheel, Velocity, Breath
    // The arpeggiator's note and finger outputs at the current slice's first
    // frame, which the Arp Note and Arp Vel sources read while Arp On.
    double arpNoteOut = 0.5;
    double arpVelOut = 0.5;
};
