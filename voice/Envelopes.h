// The voice's three envelopes. Times arrive as raw 0..1 values (parameter
// plus modulation) and become indices into the engine's time tables, so no
// exponential is evaluated while rendering.
//
// Per render call and active slot, in this order:
//   1. envelopeCoefs() for the amplifier and the filter envelope, then
//      applySpecialStarts() (it only acts in the voice's first call);
//   2. applyNoteOff() before the filter runs;
//   3. a FilterEnvelope local: run() writes the level of every frame of the
//      call before the filter kernel reads them, store() after;
//   4. runModEnvelope() once, when a modulation slot reads the envelope;
//   5. an AmpEnvelope local: run() writes the level every frame of the output
//      loop uses, store() after.
#pragma once

#include <cstdint>

#include "VoiceSlot.h"

constexpr int32_t kEnvelopeTimeSteps = 1024; // time index j = 0..1024: t(j) = 2 ms * 10000^(j / 1024)
constexpr float kAttackHandOver = 0.9f;      // level at which an exponential attack gives way to the decay
constexpr float kEnvelopeFloor = 1e-8f;      // filter and modulation levels below this are stored as 0

// The engine instance's time tables; both hold kEnvelopeTimeSteps + 1 entries
// indexed by the time index.
struct EnvelopeTables {
    const float* decayFactor; // per-frame factor that shrinks a level to a tenth in t(j)
    const float* rampStep;    // per-frame step of a linear ramp covering 1.0 in t(j)
};

// One envelope's settings after modulation.
struct EnvelopeSettings {
    double attack;  // raw time: parameter 0..1 plus contributions
    double decay;   // raw time
    double sustain; // level: the stored (squared) parameter plus contributions
    double release; // raw time
};

struct EnvelopeCoefs {
    float attackFactor;  // shrinks the distance to 1.0 per frame
    float decayFactor;
    float releaseFactor; // 1.0 while the sustain pedal holds released voices
    float sustain;       // never negative
};

// Nearest integer of 1024 * raw, limited to 0..1024; NaN gives 0.
int32_t envelopeTimeIndex(double raw);

// pedalDown: the sustain pedal is held, so released voices keep their level.
EnvelopeCoefs envelopeCoefs(const EnvelopeTables& tables, const EnvelopeSettings& settings, bool pedalDown);

// In a voice's first call (age 0): a modulation envelope with the shortest
// attack starts fully open, and so does the filter envelope when the hard
// spike is in use, so the transient meets an open filter.
void applySpecialStarts(VoiceSlot& slot, const EnvelopeSettings& filter, const EnvelopeSettings& mod, bool modEnvUsed,
                        bool spikeHardRouted);

// A released voice's envelopes all enter release; there is no way back.
inline void applyNoteOff(VoiceSlot& slot)
{
    if (slot.released != 0) {
        slot.ampStage = kRelease;
        slot.filterEnvStage = kRelease;
        slot.modEnvStage = kRelease;
    }
}

// Advances the modulation envelope over a whole call (it is a control-rate
// source: the matrix reads its level at the start of the call). Linear attack;
// a release at the longest time never releases; a sustain above 0.9999 holds
// the level at 1.0.
void runModEnvelope(const EnvelopeTables& tables, const EnvelopeSettings& settings, bool pedalDown, int32_t frames,
                    VoiceSlot& slot);

// The amplifier envelope over one call. Decay and release wait for the hold
// time (counted from the voice's start); the attack does not.
class AmpEnvelope {
public:
    // holdFrames: the Amp Hold sum in frames; negative counts as 0.
    AmpEnvelope(const EnvelopeCoefs& coefs, int32_t holdFrames, const VoiceSlot& slot)
        : level(slot.ampLevel), remainder(1.0f - slot.ampLevel), attackFactor(coefs.attackFactor),
          decayFactor(coefs.decayFactor), sustain(coefs.sustain),
          holdUntil(holdFrames > 0 ? static_cast<uint32_t>(holdFrames) : 0u), stage(slot.ampStage)
    {
        factor = stage == kDecay ? coefs.decayFactor : stage == kRelease ? coefs.releaseFactor : 1.0f;
    }

    float current() const { return level; }

    // In sustain the level cannot change within a call.
    bool sustaining() const { return stage == kSustain; }

    // Writes the level each frame of the call uses (the one before that
    // frame's step) and steps through the call. age: the voice's age at the
    // first frame. One loop per stage, so no frame asks which stage it is in.
    void run(float* levels, int32_t frames, uint32_t age)
    {
        int32_t t = 0;
        if (stage == kAttack)
            while (t < frames) {
                levels[t++] = level;
                remainder *= attackFactor;
                level = 1.0f - remainder;
                if (level >= kAttackHandOver) {
                    stage = kDecay;
                    factor = decayFactor;
                    break;
                }
            }
        // Decay and release wait for the hold time; the attack above does not.
        for (; t < frames && age + static_cast<uint32_t>(t) < holdUntil; ++t)
            levels[t] = level;
        if (stage == kDecay)
            while (t < frames) {
                levels[t++] = level;
                level *= factor;
                if (level < sustain) {
                    stage = kSustain;
                    factor = 1.0f;
                    break;
                }
            }
        if (stage == kSustain) {
            for (; t < frames; ++t)
                levels[t] = level;
        } else {
            for (; t < frames; ++t) {
                levels[t] = level;
                level *= factor;
            }
        }
    }

    void store(VoiceSlot& slot) const
    {
        slot.ampLevel = level;
        slot.ampStage = stage;
    }

private:
    float level;
    float remainder; // 1 - level while attacking, carried separately so it can shrink geometrically
    float factor;    // per-frame factor of the current stage
    float attackFactor, decayFactor, sustain;
    uint32_t holdUntil;
    uint8_t stage;
};

// The filter envelope over one call; no hold. Its level sets the cutoff of
// the frame being filtered, so step() comes first.
class FilterEnvelope {
public:
    FilterEnvelope(const EnvelopeCoefs& coefs, const VoiceSlot& slot)
        : level(slot.filterEnvLevel), remainder(1.0f - slot.filterEnvLevel), attackFactor(coefs.attackFactor),
          decayFactor(coefs.decayFactor), releaseFactor(coefs.releaseFactor), sustain(coefs.sustain),
          stage(slot.filterEnvStage)
    {
    }

    // Sustain cannot change within a call, so a kernel may keep its cutoff constant.
    bool sustaining() const { return stage == kSustain; }

    // Writes the level of each frame of the call, after that frame's step.
    void run(float* levels, int32_t frames)
    {
        int32_t t = 0;
        if (stage == kAttack)
            while (t < frames) {
                level = 1.0f - remainder;
                remainder *= attackFactor;
                levels[t++] = level;
                if (level >= kAttackHandOver) {
                    stage = kDecay;
                    break;
                }
            }
        if (stage == kDecay)
            for (; t < frames; ++t) {
                if (!(sustain < level)) {
                    stage = kSustain;
                    break;
                }
                level *= decayFactor;
                levels[t] = level;
            }
        if (stage == kSustain) {
            for (; t < frames; ++t)
                levels[t] = level;
        } else {
            for (; t < frames; ++t) {
                level *= releaseFactor;
                levels[t] = level;
            }
        }
    }

    void store(VoiceSlot& slot) const
    {
        slot.filterEnvLevel = level < kEnvelopeFloor ? 0.0f : level;
        slot.filterEnvStage = stage;
    }

private:
    float level;
    float remainder;
    float attackFactor, decayFactor, releaseFactor, sustain;
    uint8_t stage;
};
